// The driver over the real Kelvane.dll controls (Windows): each control in a site of the test
// container, reached through its IDispatch as the add-in reaches it; user input as real mouse
// and keyboard messages to the control's child window.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <vector>

#include "automation/win/variant.h"
#include "tests/controls/container.h"
#include "tests/controls/kelvane_testing.h"
#include "tests/kelvane_twins/driver.h"

namespace brisko::kelvane::test {

namespace {

using kelvane_test::Container;
using kelvane_test::PumpMessages;
using kelvane_test::Site;

const CLSID& ClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::MonthCal: return CLSID_SysMonthCal32;
        case ControlKind::DateTimePick: return CLSID_SysDateTimePick32;
        case ControlKind::PriorityBar: return CLSID_PriorityBar;
        case ControlKind::EditBox: return CLSID_EditBox;
    }
    return CLSID_NULL;
}

class RealDriver final : public Driver {
public:
    RealDriver() : ole_(OleInitialize(nullptr)), container_(600, 500) {}
    ~RealDriver() override {
        for (auto& entry : sites_) entry.site->Close();
        sites_.clear();
        if (SUCCEEDED(ole_)) OleUninitialize();
    }
    RealDriver(const RealDriver&) = delete;
    RealDriver& operator=(const RealDriver&) = delete;

    ObjectPtr Create(ControlKind kind) override {
        olectl::ComPtr<Site> site;
        if (FAILED(Site::Create(container_, ClassOf(kind), site))) return nullptr;
        olectl::ComPtr<IDispatch> dispatch = site->Control<IDispatch>();
        ObjectPtr object = win::ObjectFromDispatch(dispatch.Get());
        sites_.push_back({object, site});
        return object;
    }
    void Attach(const ObjectPtr& control, int width, int height) override {
        SiteOf(control)->Activate({10, 10, 10 + width, 10 + height});
    }
    void Detach(const ObjectPtr& control) override { SiteOf(control)->Deactivate(); }

    bool ClickDay(const ObjectPtr& calendar, int day) override {
        HWND child = SiteOf(calendar)->ChildWindow();
        if (!child) return false;
        SYSTEMTIME shown{};
        SendMessageW(child, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&shown));
        RECT rc{};
        GetClientRect(child, &rc);
        for (int y = rc.top; y < rc.bottom; y += 2) {
            for (int x = rc.left; x < rc.right; x += 2) {
                MCHITTESTINFO hit{};
                hit.cbSize = MCHITTESTINFO_V1_SIZE;
                hit.pt = POINT{x, y};
                SendMessageW(child, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
                if (hit.uHit != MCHT_CALENDARDATE || hit.st.wDay != day || hit.st.wMonth != shown.wMonth) continue;
                const LPARAM at = MAKELPARAM(x, y);
                SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, at);
                SendMessageW(child, WM_LBUTTONUP, 0, at);
                PumpMessages();
                return true;
            }
        }
        return false;
    }
    bool StepPicker(const ObjectPtr& picker) override {
        Site* site = SiteOf(picker);
        HWND child = site->ChildWindow();
        if (!child) return false;
        SetFocus(site->ControlWindow());
        PumpMessages();
        RECT rc{};
        GetClientRect(child, &rc);
        const LPARAM at = MAKELPARAM(6, (rc.top + rc.bottom) / 2);
        SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(child, WM_LBUTTONUP, 0, at);
        SendMessageW(child, WM_KEYDOWN, VK_UP, 0);
        SendMessageW(child, WM_KEYUP, VK_UP, 0);
        PumpMessages();
        return true;
    }
    bool ClickPriority(const ObjectPtr& bar, int priority) override {
        HWND toolbar = SiteOf(bar)->ChildWindow();
        if (!toolbar || priority < 0 || priority > 2) return false;
        RECT r{};
        // Buttons top to bottom: high, normal, low.
        if (!SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(2 - priority), reinterpret_cast<LPARAM>(&r)))
            return false;
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(toolbar, WM_MOUSEMOVE, 0, at);
        SendMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(toolbar, WM_LBUTTONUP, 0, at);
        PumpMessages();
        return true;
    }
    Date Now() override {
        SYSTEMTIME st{};
        GetLocalTime(&st);
        return MakeDate({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
    }

private:
    struct Entry {
        ObjectPtr object;
        olectl::ComPtr<Site> site;
    };
    Site* SiteOf(const ObjectPtr& control) {
        for (auto& entry : sites_) {
            if (entry.object == control) return entry.site.Get();
        }
        return nullptr;
    }

    HRESULT ole_;
    Container container_;
    std::vector<Entry> sites_;
};

}  // namespace

std::unique_ptr<Driver> MakeDriver() { return std::make_unique<RealDriver>(); }

}  // namespace brisko::kelvane::test
