#include "addin/com/module.h"

#include <atomic>
#include <vector>

#include "addin/com/com_handles.h"
#include "platform/platform.h"
#include "platform/win/win_files.h"
#include "platform/win/win_menus.h"
#include "platform/win/win_pictures.h"
#include "platform/win/win_objects.h"
#include "platform/win/win_link_label.h"
#include "platform/win/win_locale.h"
#include "platform/win/win_message_boxes.h"
#include "platform/win/win_platform.h"
#include "platform/win/win_registry.h"

namespace brisko::com {

namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_refs{0};
bool g_installed = false;

}  // namespace

HINSTANCE ModuleInstance() noexcept { return g_instance; }
void SetModuleInstance(HINSTANCE instance) noexcept { g_instance = instance; }

std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(g_instance, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ModuleFolder() {
    std::wstring path = ModulePath();
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void AddModuleRef() noexcept { ++g_refs; }
void ReleaseModuleRef() noexcept { --g_refs; }
long ModuleRefs() noexcept { return g_refs; }

void InstallWindowsPlatform() {
    if (g_installed) return;
    // The platform's parts live as long as the process: the add-in may reach them until unload.
    static win::WinTorvikLoader torvik(ModuleFolder() + L"\\Torvik.dll");
    static win::WinRegistry registry;
    static WinHandles handles;
    static win::WinDesktop desktop;
    static win::WinClock clock;
    static win::WinCodePage codePage;
    static win::WinFiles files;
    static win::WinPopupMenus menus;
    static win::WinPictures pictures;  // the add-in module's resources
    static win::WinObjectFactory objects;
    static win::WinMessageBoxes messageBoxes;
    static win::WinLocale locale;
    // Unregisters the link label's window class when the library unloads.
    static win::WinLinkLabelViews linkLabels(reinterpret_cast<std::uintptr_t>(g_instance));
    Platform p;
    p.torvik = &torvik;
    p.registry = &registry;
    p.handles = &handles;
    p.desktop = &desktop;
    p.clock = &clock;
    p.codePage = &codePage;
    p.files = &files;
    p.menus = &menus;
    p.pictures = &pictures;
    p.objects = &objects;
    p.linkLabels = &linkLabels;
    p.messageBoxes = &messageBoxes;
    p.locale = &locale;
    p.moduleFolder = ModuleFolder();
    p.moduleHandle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(g_instance));
    SetPlatform(p);
    g_installed = true;
}

}  // namespace brisko::com
