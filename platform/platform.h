// What the platform provides to the add-in, reached through small interfaces that have a real
// Windows implementation and an in-memory simulation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "automation/object.h"
#include "automation/value.h"
#include "platform/torvik_library.h"

namespace brisko {

// The routines the add-in hands to the support library in its initialisation record.
enum class TorvikCallback { CurrentUserEmail, LangID, VersionTexts };

// 32-bit references for the support library's record and calls: counted object references and
// addresses of the add-in's routines and data.
class Handles {
public:
    virtual ~Handles() = default;
    // A counted reference to the object; 0 for no object.
    virtual std::uint32_t RetainObject(const ObjectPtr& object) = 0;
    virtual void ReleaseObject(std::uint32_t handle) noexcept = 0;
    // The object behind a reference from RetainObject, or nothing when it was released.
    virtual ObjectPtr ResolveObject(std::uint32_t handle) const = 0;
    virtual std::uint32_t CallbackAddress(TorvikCallback callback) = 0;
    virtual std::uint32_t DataAddress(const void* data) = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;
    // Above all non-topmost windows, without moving or sizing it.
    virtual void MakeTopmost(std::uintptr_t window) = 0;
    virtual void InitCommonControls() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual DateParts Now() = 0;  // local time
    virtual double Random() = 0;  // in [0, 1)
};

class CodePage {
public:
    virtual ~CodePage() = default;
    // The system code page; characters it lacks become '?'.
    virtual std::string ToAnsi(std::wstring_view text) = 0;
    virtual std::wstring FromAnsi(std::string_view text) = 0;
};

// The add-in's routines behind the callback addresses.
struct TorvikCallbackRoutines {
    std::wstring (*currentUserEmail)() = nullptr;
    std::wstring (*langId)() = nullptr;
    void (*versionTexts)(std::wstring (&texts)[3]) = nullptr;
};

class Registry;
class Files;
class MessageBoxes;
class PopupMenus;
class Pictures;
class ObjectFactory;
class LinkLabelViews;
class FormWindows;
class Locale;

struct Platform {
    TorvikLoader* torvik = nullptr;
    Registry* registry = nullptr;
    Handles* handles = nullptr;
    Desktop* desktop = nullptr;
    Clock* clock = nullptr;
    CodePage* codePage = nullptr;
    Files* files = nullptr;
    MessageBoxes* messageBoxes = nullptr;  // platform/ui.h
    ObjectFactory* objects = nullptr;      // platform/ui.h
    PopupMenus* menus = nullptr;           // platform/menus.h
    Pictures* pictures = nullptr;          // platform/pictures.h: icons of the add-in, OLE pictures
    LinkLabelViews* linkLabels = nullptr;  // platform/link_label.h: the link label's window
    FormWindows* formWindows = nullptr;    // platform/form_window.h: the windows of loaded forms
    Locale* locale = nullptr;              // platform/locale.h: the user's locale, the Windows version
    std::wstring moduleFolder;  // the folder of the add-in library, without a trailing "\"
    std::uint32_t moduleHandle = 0;  // the add-in module's instance handle
    TorvikCallbackRoutines callbacks;
};

// The platform the add-in runs on; set by the entry point before any other call.
Platform& CurrentPlatform();
void SetPlatform(const Platform& platform);

}  // namespace brisko
