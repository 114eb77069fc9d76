// Registration of the Connect class and of the Outlook add-in key.
#pragma once

#include <windows.h>

#include <string>

namespace brisko::com {

inline constexpr wchar_t kProgId[] = L"Brisko.Connect";
inline constexpr wchar_t kClsidText[] = L"{43EE0FC1-2B23-418F-9F0D-F15D461CD679}";
inline constexpr wchar_t kFriendlyName[] = L"Brisko for Outlook";
inline constexpr wchar_t kDescription[] = L"Turns e-mail into tasks and appointments and files it in recent folders";
inline constexpr wchar_t kOutlookAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";

// Writes HKCR\CLSID\{clsid} (InprocServer32 = modulePath, ThreadingModel Apartment, ProgID),
// HKCR\Brisko.Connect and HKCU\...\Outlook\Addins\Brisko.Connect. On failure removes what it wrote.
HRESULT RegisterServer(const std::wstring& modulePath) noexcept;
// Removes exactly those three keys; keys that are not there are no error.
HRESULT UnregisterServer() noexcept;

// The same for the current user only (DllInstall "user"): the class and the ProgID under
// HKCU\Software\Classes, and the Outlook add-in key. On failure removes what it wrote.
HRESULT RegisterServerForUser(const std::wstring& modulePath) noexcept;
// Removes the user's class, ProgID and add-in key when the user's class is served by modulePath
// (another file's registration stays), then the container keys left empty. Nothing registered
// for the user is no error.
HRESULT UnregisterServerForUser(const std::wstring& modulePath) noexcept;

}  // namespace brisko::com
