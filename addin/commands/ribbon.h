// The ribbon's markup and control ids.
#pragma once

#include <string>

namespace brisko {

// The namespace of the Office 2007 custom UI schema.
inline constexpr const wchar_t* kCustomUINamespace = L"http://schemas.microsoft.com/office/2006/01/customui";

// Base id + kind letter ("E" explorer ribbon, "I" mail window ribbon).
std::wstring MakeControlId(const std::wstring& sBaseId, const std::wstring& sKind);
// The reverse; raises 13 "Invalid control id(<id>)" for an id that has no kind letter.
void ParseControlId(const std::wstring& sId, std::wstring& sBaseId, std::wstring& sKind);
// n of "btnFolder_<n>" ("btnDefFolder_<n>"), -1 for other base ids; raises 13 when n is no number.
int Ribbon_btnFolders_Index(const std::wstring& sBaseId);
int Ribbon_btnDefFolders_Index(const std::wstring& sBaseId);

// The tab of one ribbon kind, with MaxCount folder buttons of the recent list.
std::wstring RibbonExplorer_GetCustomUI(const std::wstring& sKind);
std::wstring Ribbon_grpFolder_GetCustomUI(const std::wstring& sKind);

}  // namespace brisko
