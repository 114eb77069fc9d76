#include "platform/win/win_dialog_keys.h"

#include <algorithm>
#include <vector>

namespace brisko::win {

namespace {

// The UI thread's hook and its dialogs (the add-in's windows live on one thread).
struct Route {
    HHOOK hook = nullptr;
    std::vector<DialogKeyTarget*> targets;
};

thread_local Route t_route;

DialogKeyTarget* TargetOf(HWND hwnd) noexcept {
    if (!hwnd) return nullptr;
    HWND root = GetAncestor(hwnd, GA_ROOT);
    for (DialogKeyTarget* t : t_route.targets) {
        if (t->DialogWindow() == root) return t;
    }
    return nullptr;
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wp, LPARAM lp) noexcept {
    if (code == HC_ACTION && wp == PM_REMOVE && lp) {
        MSG& msg = *reinterpret_cast<MSG*>(lp);
        const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
        const bool press = msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN || msg.message == WM_MBUTTONDOWN;
        if (key || press) {
            if (DialogKeyTarget* target = TargetOf(msg.hwnd); target && target->Route(msg)) {
                msg.message = WM_NULL;
                msg.wParam = 0;
                msg.lParam = 0;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

DialogKeyRoute::DialogKeyRoute(DialogKeyTarget& target) : target_(target) {
    if (!t_route.hook) {
        // Without the hook the dialog still works with the mouse; keys then reach the controls only.
        t_route.hook = SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr, GetCurrentThreadId());
    }
    t_route.targets.push_back(&target_);
}

DialogKeyRoute::~DialogKeyRoute() {
    std::erase(t_route.targets, &target_);
    if (t_route.targets.empty() && t_route.hook) {
        UnhookWindowsHookEx(t_route.hook);
        t_route.hook = nullptr;
    }
}

bool DialogKeyRoute::HookInstalled() noexcept { return t_route.hook != nullptr; }

}  // namespace brisko::win
