// Classes registered for the current user only (HKEY_CURRENT_USER\Software\Classes), found and
// created where COM does not see them itself.
//
// Windows merges the user's classes into HKEY_CLASSES_ROOT, so the normal lookup and
// CoCreateInstance find them. Wine does not, and neither does COM in an elevated process on
// Windows, which ignores the user's classes. There the user's keys are read here: the ProgID's
// CLSID, then the class's in-process server, loaded and asked for its class factory.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>

#include <string>
#include <string_view>

namespace brisko::win {

// A class id ("{...}") or a ProgID to its CLSID: CLSIDFromString / CLSIDFromProgID first, then
// HKCU\Software\Classes\<ProgID>\CLSID (or that of the ProgID its CurVer names). fromUserClasses
// (when given) tells whether the user's keys answered. Fails with CO_E_CLASSSTRING when the name
// is unknown.
HRESULT ClassIdFromName(std::wstring_view progIdOrClsid, CLSID& clsid, bool* fromUserClasses = nullptr);

// CoCreateInstance for an in-process server; when COM does not know the class, the server the
// user's keys name (HKCU\Software\Classes\CLSID\{clsid}\InprocServer32). The server's module then
// stays loaded until the process ends.
HRESULT CreateInstance(REFCLSID clsid, REFIID iid, void** object);

// The file of the class's in-process server: HKEY_CLASSES_ROOT, then the user's classes; empty
// when neither names one.
std::wstring InprocServerPath(REFCLSID clsid);

}  // namespace brisko::win
