// The add-in's command surfaces as the user sees them, drawn as real Win32 windows from the
// simulated Outlook's state and saved as PNG files:
//   surface_screenshots.exe OUTDIR
// The add-in's code runs with the Win32 platform, connected to the simulated Outlook (sample
// mailbox, a mail selected, Inbox\Projects\Alpha as the recent move folder) over IDispatch as
// Brisko.dll reaches the host. Then:
//   toolbar-standard.png  Outlook 2003's "Standard" bar as a floating ToolbarWindow32: Outlook's
//                         own buttons by their captions; Quick Task and Quick Appointment by the
//                         add-in's own icons (Office draws face ids 1100 and 1106, which we don't
//                         have), the folder button by the picture and mask the add-in gave it.
//   menu-actions.png      Outlook 2003's menu bar with the Actions menu and its Move to Folder
//                         submenu open: popup menus of the system, with the add-in's icons beside
//                         Quick Task and Quick Appointment.
//   ribbon-tab.png        Outlook 2010's Brisko tab as a plain mock-up (the ribbon is no Win32
//                         control): the groups, labels and states the ribbon host's Show listing
//                         gives, the add-in's large icons; Help and About carry the add-in's help
//                         icon and the system's information icon in place of Office's images.
// Exit code 0 when all three were written.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "addin/folders/CRecentFolders.h"
#include "addin/host/COptions.h"
#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "addin_session.h"
#include "form_window_testing.h"
#include "automation/object.h"
#include "automation/win/dispatch_object.h"
#include "automation/win/object_dispatch.h"
#include "simhost/command_bars.h"
#include "simhost/ribbon.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "simhost/windows.h"
#include "tools/outlook-sim/sim_exposure.h"
#include "win_png.h"

namespace brisko::formwin_testing {
namespace {

constexpr int kFaceQuickTask = 1100;
constexpr int kFaceQuickAppointment = 1106;
const wchar_t* const kWindowClass = L"BriskoSurfaceScreenshot";

// --- RAII -----------------------------------------------------------------------------------

struct IconHandle {
    explicit IconHandle(HICON h = nullptr, bool owned = true) : icon(h), owned_(owned) {}
    ~IconHandle() {
        if (icon && owned_) DestroyIcon(icon);
    }
    IconHandle(const IconHandle&) = delete;
    IconHandle& operator=(const IconHandle&) = delete;
    HICON icon;

private:
    bool owned_;
};

struct Window {
    explicit Window(HWND h = nullptr) : hwnd(h) {}
    ~Window() {
        if (hwnd) DestroyWindow(hwnd);
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    HWND hwnd;
};

struct ImageList {
    explicit ImageList(HIMAGELIST h) : list(h) {}
    ~ImageList() {
        if (list) ImageList_Destroy(list);
    }
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;
    HIMAGELIST list;
};

struct GdiObject {
    explicit GdiObject(HGDIOBJ h) : object(h) {}
    ~GdiObject() {
        if (object) DeleteObject(object);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ object;
};

// The add-in's icon resource (linked into this program as into Brisko.dll) at a size.
std::unique_ptr<IconHandle> AddinIcon(const wchar_t* name, int size) {
    return std::make_unique<IconHandle>(
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON, size, size, 0)));
}

std::wstring WithoutAmpersands(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s) {
        if (c != L'&') out += c;
    }
    return out;
}

void PumpFor(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (static_cast<int>(end - GetTickCount()) > 0) {
        Pump();
        Sleep(10);
    }
}

bool SaveRect(const std::wstring& path, const RECT& area) {
    int width = 0, height = 0;
    const std::vector<unsigned char> rgb = test_support::CaptureScreen(area, width, height);
    const bool ok = !rgb.empty() && test_support::WritePng(path, width, height, rgb);
    if (ok) std::printf("saved %ls\n", path.c_str());
    else std::fprintf(stderr, "could not save %ls\n", path.c_str());
    return ok;
}

bool SaveWindow(const std::wstring& path, HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(200);  // the X server draws what Wine sent it
    RECT rc{};
    GetWindowRect(window, &rc);
    return SaveRect(path, rc);
}

// --- The session ----------------------------------------------------------------------------

// The add-in on the sample mailbox in English, one explorer on the Inbox open at start-up, the
// ribbon host attached on 12 and later; Inbox\Projects\Alpha is the recent move folder and the
// mail "Project Alpha: kick-off meeting" is selected.
struct SurfaceSession {
    explicit SurfaceSession(int major) {
        ReleaseProcessObjects();
        Services() = DefaultServices();
        mailbox = sim::BuildSampleMailbox(host);
        host.SetMajorVersion(major);
        explorer = host.AddExplorerAtStartup(mailbox.inbox);
        exposed = win::ExposeObject(host.ApplicationObject());
        application = win::DispatchObject::Wrap(exposed.Get());
        Options().SetLangID(L"EN");
        Options().SetLangFile(L"");
        connect = std::make_shared<brisko::Connect>();
        connect->OnConnection(application, 1, nullptr, custom);
        if (major >= 12) host.Ribbon().Attach(connect);
        connect->OnStartupComplete(custom);
        if (major >= 12) host.Ribbon().StartupComplete();
        if (g_oRecentMove2Folders) {
            const ObjectPtr ns = ObjectOf(application, L"Session");
            g_oRecentMove2Folders->SetRecent(
                ObjectOf(ns, L"GetFolderFromID", {mailbox.alpha->EntryID(), mailbox.alpha->StoreID()}));
        }
        host.ActivateExplorer(explorer);
        host.Select(explorer, {mailbox.inboxMails.size() > 4 ? mailbox.inboxMails[4] : mailbox.inboxMails.front()});
        sim::UpdateBars(explorer);
    }
    ~SurfaceSession() {
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(0, custom);
        host.Ribbon().Detach();
        connect.reset();
        ReleaseProcessObjects();
        application.reset();
        exposed = nullptr;
    }
    SurfaceSession(const SurfaceSession&) = delete;
    SurfaceSession& operator=(const SurfaceSession&) = delete;

    sim::SimOutlook host;
    sim::SampleMailbox mailbox;
    sim::SimExplorer* explorer = nullptr;
    win::ComPtr<IDispatch> exposed;
    ObjectPtr application;
    std::shared_ptr<brisko::Connect> connect;
    Array custom;
};

// --- The frame windows' procedure ---------------------------------------------------------

// What the frame windows draw: menu icons by item data, the ribbon mock-up.
struct RibbonButton {
    std::wstring label;
    HICON icon = nullptr;
    bool split = false;
    bool enabled = true;
};
struct RibbonGroup {
    std::wstring label;
    std::vector<RibbonButton> buttons;
};
struct Drawing {
    std::map<ULONG_PTR, HICON> menuIcons;
    std::wstring tab;
    std::vector<RibbonGroup> groups;
    HFONT font = nullptr;
};
Drawing g_drawing;

constexpr int kTabHeight = 24;
constexpr int kPanelHeight = 96;
constexpr int kButtonWidth = 82;
constexpr int kGroupLabelHeight = 18;

int GroupWidth(const RibbonGroup& g) {
    return std::max<int>(static_cast<int>(g.buttons.size()) * kButtonWidth, 60) + 8;
}

void PaintRibbon(HWND hwnd, HDC dc) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const HGDIOBJ oldFont = SelectObject(dc, g_drawing.font);
    SetBkMode(dc, TRANSPARENT);
    // The tab strip with the add-in's tab selected.
    GdiObject strip(CreateSolidBrush(RGB(223, 233, 245)));
    RECT top{0, 0, client.right, kTabHeight};
    FillRect(dc, &top, static_cast<HBRUSH>(strip.object));
    SIZE text{};
    GetTextExtentPoint32W(dc, g_drawing.tab.c_str(), static_cast<int>(g_drawing.tab.size()), &text);
    RECT tab{10, 4, 10 + text.cx + 24, kTabHeight + 1};
    GdiObject panelBrush(CreateSolidBrush(RGB(250, 251, 253)));
    RECT panel{0, kTabHeight, client.right, client.bottom};
    FillRect(dc, &panel, static_cast<HBRUSH>(panelBrush.object));
    GdiObject line(CreatePen(PS_SOLID, 1, RGB(141, 178, 227)));
    const HGDIOBJ oldPen = SelectObject(dc, line.object);
    MoveToEx(dc, 0, kTabHeight, nullptr);
    LineTo(dc, client.right, kTabHeight);
    FillRect(dc, &tab, static_cast<HBRUSH>(panelBrush.object));
    MoveToEx(dc, tab.left, tab.bottom, nullptr);
    LineTo(dc, tab.left, tab.top);
    LineTo(dc, tab.right, tab.top);
    LineTo(dc, tab.right, tab.bottom);
    SetTextColor(dc, RGB(21, 66, 139));
    DrawTextW(dc, g_drawing.tab.c_str(), -1, &tab, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    // The groups: large buttons (icon above, label below), the group's label at the bottom.
    int x = 4;
    for (const auto& g : g_drawing.groups) {
        const int width = GroupWidth(g);
        int bx = x + (width - static_cast<int>(g.buttons.size()) * kButtonWidth) / 2;
        for (const auto& b : g.buttons) {
            if (b.icon) DrawIconEx(dc, bx + (kButtonWidth - 32) / 2, kTabHeight + 6, b.icon, 32, 32, 0, nullptr, DI_NORMAL);
            SetTextColor(dc, b.enabled ? RGB(0, 0, 0) : RGB(141, 141, 141));
            RECT lr{bx + 2, kTabHeight + 42, bx + kButtonWidth - 2, kTabHeight + kPanelHeight - kGroupLabelHeight};
            RECT measured = lr;
            DrawTextW(dc, b.label.c_str(), -1, &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
            DrawTextW(dc, b.label.c_str(), -1, &lr, DT_CENTER | DT_WORDBREAK);
            if (b.split) {
                // The split button's arrow below its label.
                const int cx = bx + kButtonWidth / 2;
                const int cy = lr.top + (measured.bottom - measured.top) + 3;
                const POINT arrow[3] = {{cx - 3, cy}, {cx + 4, cy}, {cx, cy + 4}};
                GdiObject arrowBrush(CreateSolidBrush(RGB(0, 0, 0)));
                const HGDIOBJ oldBrush = SelectObject(dc, arrowBrush.object);
                const HGDIOBJ plainPen = SelectObject(dc, GetStockObject(NULL_PEN));
                Polygon(dc, arrow, 3);
                SelectObject(dc, plainPen);
                SelectObject(dc, oldBrush);
            }
            bx += kButtonWidth;
        }
        RECT gl{x, kTabHeight + kPanelHeight - kGroupLabelHeight, x + width, kTabHeight + kPanelHeight - 2};
        SetTextColor(dc, RGB(62, 106, 170));
        DrawTextW(dc, g.label.c_str(), -1, &gl, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        x += width;
        MoveToEx(dc, x, kTabHeight + 4, nullptr);
        LineTo(dc, x, kTabHeight + kPanelHeight - 4);
        x += 2;
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MEASUREITEM: {
        auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (m->CtlType == ODT_MENU) {
            m->itemWidth = 16;
            m->itemHeight = 16;
            return TRUE;
        }
        break;
    }
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (d->CtlType == ODT_MENU) {
            const auto it = g_drawing.menuIcons.find(d->itemData);
            if (it != g_drawing.menuIcons.end()) {
                const int y = d->rcItem.top + (d->rcItem.bottom - d->rcItem.top - 16) / 2;
                DrawIconEx(d->hDC, d->rcItem.left + 2, y, it->second, 16, 16, 0, nullptr, DI_NORMAL);
            }
            return TRUE;
        }
        break;
    }
    case WM_PAINT:
        if (!g_drawing.groups.empty()) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            PaintRibbon(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// --- The Standard toolbar -----------------------------------------------------------------

bool SaveToolbar(SurfaceSession& s, const std::wstring& folder) {
    sim::SimCommandBars* bars = sim::CommandBarsOf(s.explorer);
    sim::SimCommandBar* standard = bars ? bars->Find(L"Standard") : nullptr;
    if (!standard) {
        std::fprintf(stderr, "the explorer has no Standard bar\n");
        return false;
    }
    ImageList images(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4));
    const auto task = AddinIcon(L"ICO_QTASK_32X32", 16);
    const auto appointment = AddinIcon(L"ICO_QAPPOINTMENT_32X32", 16);
    const auto folderIcon = AddinIcon(L"ICO_FOLDER", 16);
    const int taskImage = ImageList_AddIcon(images.list, task->icon);
    const int appointmentImage = ImageList_AddIcon(images.list, appointment->icon);
    // The folder button's face: the picture and mask the add-in gave the host, else its icon.
    int pictureImage = -1;

    std::vector<TBBUTTON> buttons;
    std::vector<std::wstring> texts;
    texts.reserve(standard->Controls()->List().size());
    int command = 100;
    for (sim::SimCommandBarControl* c : standard->Controls()->List()) {
        if (!c->visible) continue;
        if (c->beginGroup && !buttons.empty()) {
            TBBUTTON sep{};
            sep.fsStyle = BTNS_SEP;
            buttons.push_back(sep);
        }
        TBBUTTON b{};
        b.idCommand = command++;
        b.fsState = c->enabled ? TBSTATE_ENABLED : 0;
        b.iBitmap = I_IMAGENONE;
        if (c->BuiltIn()) {
            texts.push_back(WithoutAmpersands(c->caption));
            b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
            b.iString = reinterpret_cast<INT_PTR>(texts.back().c_str());
        } else if (c->IsPopup()) {
            // The recent folders' drop-down beside the folder button.
            if (!buttons.empty() && buttons.back().iBitmap == pictureImage && pictureImage >= 0) {
                buttons.back().fsStyle |= BTNS_DROPDOWN;
                continue;
            }
            b.fsStyle = BTNS_WHOLEDROPDOWN | BTNS_AUTOSIZE;
        } else {
            b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
            if (c->faceId == kFaceQuickTask) b.iBitmap = taskImage;
            else if (c->faceId == kFaceQuickAppointment) b.iBitmap = appointmentImage;
            else if (c->picture) {
                const Value color = GetOf(c->picture, L"Handle");
                const Value mask = c->mask ? GetOf(c->mask, L"Handle") : Value();
                const auto colorBitmap = reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(color.AsInt())));
                const auto maskBitmap = reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(mask.IsEmpty() ? 0 : mask.AsInt())));
                pictureImage = colorBitmap ? ImageList_Add(images.list, colorBitmap, maskBitmap) : -1;
                if (pictureImage >= 0) {
                    std::printf("folder button: the picture and mask the add-in gave the host\n");
                } else {
                    std::printf("folder button: ICO_FOLDER (the host's picture could not be read)\n");
                    pictureImage = ImageList_AddIcon(images.list, folderIcon->icon);
                }
                b.iBitmap = pictureImage;
            }
        }
        buttons.push_back(b);
    }

    Window frame(CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, standard->Name().c_str(),
                                 WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 20, 20, 900, 80, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr));
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                   WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS |
                                       CCS_NODIVIDER | CCS_NORESIZE,
                                   0, 0, 900, 30, frame.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
    SendMessageW(toolbar, TB_SETPADDING, 0, MAKELPARAM(8, 6));
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.list));
    SendMessageW(toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    SIZE size{};
    SendMessageW(toolbar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    SetWindowPos(toolbar, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE);
    RECT outer{0, 0, size.cx, size.cy};
    AdjustWindowRectEx(&outer, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_TOOLWINDOW);
    SetWindowPos(frame.hwnd, nullptr, 20, 20, outer.right - outer.left, outer.bottom - outer.top, SWP_NOZORDER);
    return SaveWindow(folder + L"\\toolbar-standard.png", frame.hwnd);
}

// --- The Actions menu ---------------------------------------------------------------------

// The bar's visible controls as a menu: popups as submenus, a group's start as a separator, the
// add-in's Quick Task and Quick Appointment with their icons.
HMENU BuildMenu(sim::SimCommandBar* bar, bool popup, std::vector<std::unique_ptr<IconHandle>>& icons) {
    HMENU menu = popup ? CreatePopupMenu() : CreateMenu();
    UINT id = 1000;
    bool first = true;
    for (sim::SimCommandBarControl* c : bar->Controls()->List()) {
        if (!c->visible) continue;
        if (popup && c->beginGroup && !first) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        first = false;
        const UINT state = c->enabled ? MF_ENABLED : MF_GRAYED;
        if (c->IsPopup()) {
            AppendMenuW(menu, MF_POPUP | MF_STRING | state,
                        reinterpret_cast<UINT_PTR>(BuildMenu(c->DropDown(), true, icons)), c->caption.c_str());
            continue;
        }
        AppendMenuW(menu, MF_STRING | state, id, c->caption.c_str());
        if (!c->BuiltIn() && (c->faceId == kFaceQuickTask || c->faceId == kFaceQuickAppointment)) {
            icons.push_back(AddinIcon(c->faceId == kFaceQuickTask ? L"ICO_QTASK_32X32" : L"ICO_QAPPOINTMENT_32X32", 16));
            const auto key = static_cast<ULONG_PTR>(id);
            g_drawing.menuIcons[key] = icons.back()->icon;
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_BITMAP | MIIM_DATA;
            info.hbmpItem = HBMMENU_CALLBACK;
            info.dwItemData = key;
            SetMenuItemInfoW(menu, id, FALSE, &info);
        }
        ++id;
    }
    return menu;
}

struct MenuCapture {
    HWND frame = nullptr;
    std::wstring path;
    int tick = 0;
    bool saved = false;
    bool done = false;
};
MenuCapture g_menu;

BOOL CALLBACK AddMenuWindow(HWND hwnd, LPARAM lp) {
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    if (std::wstring(name) == L"#32768" && IsWindowVisible(hwnd)) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        auto* area = reinterpret_cast<RECT*>(lp);
        UnionRect(area, area, &r);
    }
    return TRUE;
}

// Runs inside the menu loop: opens Move to Folder by its access key, then saves the frame and
// the open menus, then ends the menu.
void CALLBACK MenuStep(HWND, UINT, UINT_PTR, DWORD) {
    ++g_menu.tick;
    if (g_menu.tick == 3) {
        PostMessageW(g_menu.frame, WM_CHAR, L'f', 0);
    } else if (g_menu.tick == 8) {
        RECT area{};
        GetWindowRect(g_menu.frame, &area);
        EnumWindows(AddMenuWindow, reinterpret_cast<LPARAM>(&area));
        area.right += 4;
        area.bottom += 4;
        g_menu.saved = SaveRect(g_menu.path, area);
    } else if (g_menu.tick == 9) {
        EndMenu();
    } else if (g_menu.tick >= 11) {
        g_menu.done = true;
    }
}

bool SaveMenu(SurfaceSession& s, const std::wstring& folder) {
    sim::SimCommandBars* bars = sim::CommandBarsOf(s.explorer);
    sim::SimCommandBar* menuBar = bars ? bars->Find(L"Menu Bar") : nullptr;
    if (!menuBar) {
        std::fprintf(stderr, "the explorer has no menu bar\n");
        return false;
    }
    std::vector<std::unique_ptr<IconHandle>> icons;
    HMENU menu = BuildMenu(menuBar, false, icons);  // the window destroys it
    Window frame(CreateWindowExW(0, kWindowClass, L"Inbox - Microsoft Outlook (simulated)",
                                 WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 20, 20, 560, 250, nullptr,
                                 menu, GetModuleHandleW(nullptr), nullptr));
    if (!frame.hwnd) {
        DestroyMenu(menu);
        std::fprintf(stderr, "no window for the menu bar\n");
        return false;
    }
    SetForegroundWindow(frame.hwnd);
    PumpFor(300);
    g_menu = MenuCapture{frame.hwnd, folder + L"\\menu-actions.png"};
    const UINT_PTR timer = SetTimer(nullptr, 0, 150, MenuStep);
    // The menu bar's Actions menu, by its access key, as Alt+A opens it.
    PostMessageW(frame.hwnd, WM_SYSCOMMAND, SC_KEYMENU, L'a');
    const DWORD end = GetTickCount() + 10000;
    while (!g_menu.done && static_cast<int>(end - GetTickCount()) > 0) {
        Pump();
        Sleep(10);
    }
    KillTimer(nullptr, timer);
    g_drawing.menuIcons.clear();
    return g_menu.saved;
}

// --- The ribbon tab -----------------------------------------------------------------------

bool SaveRibbon(SurfaceSession& s, const std::wstring& folder) {
    const std::vector<sim::RibbonControlState> shown = s.host.Ribbon().Show(s.explorer);
    std::printf("%ls", sim::SimRibbon::DescribeShow(shown).c_str());
    std::vector<std::unique_ptr<IconHandle>> icons;
    auto iconFor = [&](const sim::RibbonControlState& c) -> HICON {
        if (c.image == L"picture") {
            // The pictures RibbonButton_GetImage returns for these controls.
            const wchar_t* name = c.id.rfind(L"btnQuickTask", 0) == 0          ? L"ICO_QTASK_32X32"
                                  : c.id.rfind(L"btnQuickAppointment", 0) == 0 ? L"ICO_QAPPOINTMENT_32X32"
                                  : c.id.rfind(L"btnHelp", 0) == 0             ? L"ICO_HELP_I2007"
                                                                               : L"ICO_FOLDER";
            icons.push_back(AddinIcon(name, 32));
        } else if (c.image == L"Help") {
            icons.push_back(AddinIcon(L"ICO_HELP_I2007", 32));
        } else if (c.image == L"Info") {
            icons.push_back(std::make_unique<IconHandle>(LoadIconW(nullptr, MAKEINTRESOURCEW(32516) /* IDI_INFORMATION */), false));
        } else {
            return nullptr;
        }
        return icons.back()->icon;
    };
    g_drawing.groups.clear();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto& c = shown[i];
        if (c.kind == L"tab") g_drawing.tab = c.label;
        if (!c.visible) continue;
        if (c.kind == L"group") {
            g_drawing.groups.push_back({c.label, {}});
        } else if (c.depth == 2 && !g_drawing.groups.empty()) {
            if (c.kind == L"button") {
                g_drawing.groups.back().buttons.push_back({c.label, iconFor(c), false, c.enabled});
            } else if (c.kind == L"splitButton" && i + 1 < shown.size() && shown[i + 1].depth == 3) {
                // A split button shows its first button, with the menu's arrow.
                const auto& main = shown[i + 1];
                g_drawing.groups.back().buttons.push_back({main.label, iconFor(main), true, c.enabled && main.enabled});
            }
        }
    }
    if (g_drawing.groups.empty()) {
        std::fprintf(stderr, "the ribbon host shows no group of the add-in\n");
        return false;
    }
    int width = 4;
    for (const auto& g : g_drawing.groups) width += GroupWidth(g) + 2;
    RECT outer{0, 0, width + 4, kTabHeight + kPanelHeight};
    AdjustWindowRectEx(&outer, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, FALSE, 0);
    Window frame(CreateWindowExW(0, kWindowClass, L"Brisko tab (mock-up)", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                 20, 20, outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr));
    const bool ok = SaveWindow(folder + L"\\ribbon-tab.png", frame.hwnd);
    g_drawing.groups.clear();
    return ok;
}

int Run(const std::wstring& folder) {
    INITCOMMONCONTROLSEX cc{sizeof(cc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&cc);
    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    GdiObject font(CreateFontIndirectW(&metrics.lfMessageFont));
    g_drawing.font = static_cast<HFONT>(font.object);

    tools::SimExposure exposure;
    WinAddinPlatform platform;
    int saved = 0;
    {
        SurfaceSession outlook2003(11);
        saved += SaveToolbar(outlook2003, folder) ? 1 : 0;
        saved += SaveMenu(outlook2003, folder) ? 1 : 0;
    }
    {
        SurfaceSession outlook2010(14);
        saved += SaveRibbon(outlook2010, folder) ? 1 : 0;
    }
    return saved == 3 ? 0 : 1;
}

}  // namespace
}  // namespace brisko::formwin_testing

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: surface_screenshots OUTDIR\n");
        return 2;
    }
    if (FAILED(OleInitialize(nullptr))) return 2;
    const int rc = brisko::formwin_testing::Run(argv[1]);
    OleUninitialize();
    return rc;
}
