// Process-wide state of Brisko.dll: its instance handle, the count of outstanding COM references
// and the Windows platform the add-in runs on.
#pragma once

#include <windows.h>

#include <string>

namespace brisko::com {

// The DLL's instance handle, set by DllMain.
HINSTANCE ModuleInstance() noexcept;
void SetModuleInstance(HINSTANCE instance) noexcept;
// The full path of the DLL and its folder (without a trailing "\").
std::wstring ModulePath();
std::wstring ModuleFolder();

// Objects and server locks handed out to COM clients; DllCanUnloadNow answers S_OK at zero.
void AddModuleRef() noexcept;
void ReleaseModuleRef() noexcept;
long ModuleRefs() noexcept;

// Installs the Win32 platform for the add-in once; later calls do nothing. Support library:
// Torvik.dll beside the DLL.
void InstallWindowsPlatform();

}  // namespace brisko::com
