// The add-in's code with the Win32 platform as Brisko.dll installs it (the Wine registry,
// Torvik.dll's log, the Win32 locale and clock, BriskoFormWindow with Kelvane.dll's controls through
// COM), connected to the simulated Outlook (sample mailbox) over IDispatch, as Brisko.dll reaches
// the host. Shared by the dialog screenshots and bench/dialogs. The safe item library comes from
// the in-memory class table. Needs COM (OleInitialize) and Kelvane.dll registered.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>

#include <memory>
#include <optional>
#include <string>

#include "addin/com/com_handles.h"
#include "addin/dialogs/mForms.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/forms/forms.h"
#include "addin/host/COptions.h"
#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "automation/win/dispatch_object.h"
#include "automation/win/object_dispatch.h"
#include "platform/platform.h"
#include "platform/sim/sim_ui.h"
#include "platform/win/win_files.h"
#include "platform/win/win_form_window.h"
#include "platform/win/win_link_label.h"
#include "platform/win/win_locale.h"
#include "platform/win/win_menus.h"
#include "platform/win/win_message_boxes.h"
#include "platform/win/win_objects.h"
#include "platform/win/win_pictures.h"
#include "platform/win/win_platform.h"
#include "platform/win/win_registry.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "standins/redemption/sim_registration.h"

namespace brisko::formwin_testing {

inline std::wstring ExeFolder() {
    wchar_t exe[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe, n);
    return path.substr(0, path.find_last_of(L"\\/"));
}

// The build's addin folder (the language files), two folders above the program.
inline std::wstring AddinFolder() {
    wchar_t full[MAX_PATH * 2] = {};
    const std::wstring relative = ExeFolder() + L"\\..\\..\\addin";
    const DWORD m = GetFullPathNameW(relative.c_str(), MAX_PATH * 2, full, nullptr);
    return m > 0 && m < MAX_PATH * 2 ? std::wstring(full, m) : relative;
}

// The safe item library from the in-memory class table, every other class through COM.
class AddinObjects : public ObjectFactory {
public:
    AddinObjects() { redemption::RegisterClasses(table_); }
    ObjectPtr CreateObject(std::wstring_view name) override {
        if (name.substr(0, 11) == L"Redemption." || (!name.empty() && name.front() == L'{')) {
            if (ObjectPtr o = table_.CreateObject(name)) return o;
        }
        return com_.CreateObject(name);
    }

private:
    sim::SimObjectFactory table_;
    win::WinObjectFactory com_;
};

// The Win32 platform as Brisko.dll installs it; Torvik.dll beside the program, the module folder
// the build's addin folder.
struct WinAddinPlatform {
    WinAddinPlatform() : torvik(ExeFolder() + L"\\Torvik.dll") {
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
        p.formWindows = &formWindows;
        p.messageBoxes = &messageBoxes;
        p.locale = &locale;
        p.moduleFolder = AddinFolder();
        p.moduleHandle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));
        SetPlatform(p);
    }
    ~WinAddinPlatform() { SetPlatform(Platform{}); }
    WinAddinPlatform(const WinAddinPlatform&) = delete;
    WinAddinPlatform& operator=(const WinAddinPlatform&) = delete;

    win::WinTorvikLoader torvik;
    win::WinRegistry registry;
    com::WinHandles handles;
    win::WinDesktop desktop;
    win::WinClock clock;
    win::WinCodePage codePage;
    win::WinFiles files;
    win::WinPopupMenus menus;
    win::WinPictures pictures;
    AddinObjects objects;
    win::WinMessageBoxes messageBoxes;
    win::WinLocale locale;
    win::WinLinkLabelViews linkLabels{reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))};
    win::WinFormWindows formWindows{reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))};
};

// The add-in connected to the sample mailbox (version 12) over IDispatch in the language langID
// ("EN", "DE"); the move folder Inbox\Projects\Alpha remembered and "move the mail" last used by
// both dialogs. The host's events need tools::SimExposure alive.
struct AddinSession {
    explicit AddinSession(const wchar_t* langID = L"EN") {
        ReleaseProcessObjects();
        Services() = DefaultServices();
        mailbox = sim::BuildSampleMailbox(host);
        host.SetMajorVersion(12);
        exposed = win::ExposeObject(host.ApplicationObject());
        application = win::DispatchObject::Wrap(exposed.Get());
        Options().SetLangID(langID);
        Options().SetLangFile(L"");
        connect = std::make_shared<brisko::Connect>();
        Array custom;
        connect->OnConnection(application, 1, nullptr, custom);
        connect->OnStartupComplete(custom);
        if (g_oRecentMove2Folders) g_oRecentMove2Folders->SetRecent(Folder(mailbox.alpha));
        Options().SetLastUsed_MailAction(3, 1);
        Options().SetLastUsed_MailAction(1, 1);
    }
    ~AddinSession() {
        Array custom;
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(0, custom);
        connect.reset();
        ReleaseProcessObjects();
        application.reset();
        exposed = nullptr;
    }
    AddinSession(const AddinSession&) = delete;
    AddinSession& operator=(const AddinSession&) = delete;

    ObjectPtr Namespace() { return ObjectOf(application, L"Session"); }
    ObjectPtr Folder(sim::SimFolder* f) { return ObjectOf(Namespace(), L"GetFolderFromID", {f->EntryID(), f->StoreID()}); }

    // A new mail in the Inbox; mail: the mail as the add-in's host reaches it.
    sim::SimItem* NewMail(ObjectPtr& mail, const std::wstring& subject, std::optional<Date> reminder = std::nullopt) {
        sim::MailFields fields;
        fields.subject = subject;
        fields.body = L"Please find the figures attached.\r\nRegards, Jonas";
        fields.senderName = L"Jonas Weber";
        fields.categories = L"Reports";
        fields.importance = 2;
        fields.reminder = reminder;
        sim::SimItem* item = host.AddMail(mailbox.inbox, fields);
        mail = ObjectOf(Namespace(), L"GetItemFromID", {item->EntryID(), mailbox.inbox->StoreID()});
        return item;
    }

    // The open dialog of the kind for a mail of the Inbox.
    std::shared_ptr<forms::CForm> Dialog(bool task, sim::SimItem* mail) {
        const std::wstring store = mailbox.inbox->StoreID();
        const ObjectPtr form = task ? FindQuickTaskForm(mail->EntryID(), store) : FindQuickAppointmentForm(mail->EntryID(), store);
        return std::dynamic_pointer_cast<forms::CForm>(form);
    }

    sim::SimOutlook host;
    sim::SampleMailbox mailbox;
    win::ComPtr<IDispatch> exposed;
    ObjectPtr application;
    std::shared_ptr<brisko::Connect> connect;
};

// A control's window in a loaded form.
inline HWND ChildOf(forms::CForm& form, const wchar_t* name) {
    return GetDlgItem(reinterpret_cast<HWND>(form.hWnd()), win::WinFormWindows::kFirstControlId + form.Control(name)->Id());
}

}  // namespace brisko::formwin_testing
