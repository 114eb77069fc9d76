// The server module: its instance handle, the object and lock counts behind
// DllCanUnloadNow, its path and its type library.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "com.h"

namespace olectl::module {

void SetInstance(HINSTANCE instance) noexcept;
HINSTANCE Instance() noexcept;

void AddObject() noexcept;
void ReleaseObject() noexcept;
void Lock() noexcept;
void Unlock() noexcept;
// No object and no lock alive.
bool CanUnload() noexcept;
long ObjectCount() noexcept;

// Full path of the module; ERROR_INSUFFICIENT_BUFFER (as an HRESULT) when it
// does not fit in MAX_PATH characters.
HRESULT Path(std::wstring& path);

// The module's embedded type library (TYPELIB 1), loaded on first use and
// kept while objects of the module are alive.
HRESULT TypeLib(ComPtr<ITypeLib>& lib) noexcept;
HRESULT TypeInfoOf(REFGUID guid, ComPtr<ITypeInfo>& info) noexcept;

// Registers or unregisters the embedded type library.
HRESULT RegisterTypeLib() noexcept;
HRESULT UnregisterTypeLib() noexcept;

// The same under a classes key of the caller's (the user's HKCU\Software\Classes): the keys
// RegisterTypeLib writes (TypeLib\{libid}\{ver} with the module as win32 image, FLAGS and HELPDIR;
// Interface\{iid} of every dispinterface and dual or oleautomation interface), written by hand
// because RegisterTypeLibForUser is not reliably per user. Unregistering removes them only when
// the library is registered there for this module, then the containers left empty.
HRESULT RegisterTypeLibAt(HKEY classes) noexcept;
HRESULT UnregisterTypeLibAt(HKEY classes) noexcept;

// Deletes parent\name when it has neither subkeys nor values; a missing key is no error.
void DeleteKeyIfEmpty(HKEY parent, const std::wstring& name) noexcept;

}  // namespace olectl::module

namespace olectl {

// Base of every COM object the module hands out: counts it for
// DllCanUnloadNow.
class ModuleObject {
 public:
  ModuleObject() noexcept { module::AddObject(); }
  ModuleObject(const ModuleObject&) = delete;
  ModuleObject& operator=(const ModuleObject&) = delete;
  ~ModuleObject() { module::ReleaseObject(); }
};

}  // namespace olectl
