// The in-process COM server shared by the stand-in libraries (Windows only). A library supplies its
// class table and forwards its exports here: the class factory makes each class's portable object
// and exposes it through IDispatch by the automation layer; registration writes the class ids and
// ProgIDs (InprocServer32, ThreadingModel Apartment) and never takes over a class or ProgID that a
// file of another name serves. Module counts are per library: each DLL links its own copy.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

#include "automation/object.h"
#include "automation/win/object_dispatch.h"

namespace brisko::inproc {

struct ClassEntry {
    const wchar_t* clsid;        // "{...}"
    std::wstring_view progId;    // empty: the class is known by its class id only
    const wchar_t* description;  // the default value of the class id's and the ProgID's key
    ObjectPtr (*make)();
    win::DispatchOptions expose{};  // how COM clients reach the object (default: plain IDispatch)
};

using ClassTable = std::span<const ClassEntry>;

// Where registration writes and reads its keys: HKEY_CLASSES_ROOT as regsvr32 registers; a
// per-user registration would name HKEY_CURRENT_USER with the prefix "Software\\Classes\\".
struct ClassesRoot {
    HKEY key = HKEY_CLASSES_ROOT;
    std::wstring prefix;
};

// The exports, each over the library's table.
BOOL OnDllMain(HINSTANCE instance, DWORD reason) noexcept;
HRESULT GetClassObject(ClassTable classes, REFCLSID clsid, REFIID riid, void** ppv) noexcept;
HRESULT CanUnloadNow() noexcept;
// SELFREG_E_CLASS, writing nothing, when a class id is served by a file of another name or a
// ProgID names another class; a failed write takes back what was written.
HRESULT RegisterServer(ClassTable classes, const ClassesRoot& root = {}) noexcept;
// Removes the classes and ProgIDs this file serves; leaves the others' alone.
HRESULT UnregisterServer(ClassTable classes, const ClassesRoot& root = {}) noexcept;
// DllInstall: "user" registers for the current user only, under HKCU\Software\Classes (also
// SELFREG_E_CLASS when the merged HKEY_CLASSES_ROOT names another file's class or ProgID, so the
// user's keys never hide the vendor's); uninstalling removes the user's classes this very file
// serves and the CLSID key if that leaves it empty. Any other command line: E_INVALIDARG.
HRESULT Install(ClassTable classes, BOOL install, PCWSTR commandLine) noexcept;

}  // namespace brisko::inproc
