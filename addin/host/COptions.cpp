#include "addin/host/COptions.h"

#include "addin/commands/mIcons.h"
#include "addin/host/CWinReg.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "addin/host/mTorvik.h"
#include "automation/error.h"
#include "automation/object.h"

namespace brisko {

COptions::COptions() {
    try {
        auto inbox = ObjectOf(ObjectOf(g_oApplication, L"Session"), L"GetDefaultFolder", {6});
        m_sMailboxID = GetOf(ObjectOf(inbox, L"Parent"), L"EntryID").AsString();
    } catch (...) {
        m_sMailboxID.clear();
    }
    Err().Clear();
}

std::wstring COptions::GetRegPath(bool bCommon) const {
    const std::wstring options = L"Software\\" + CompanyShortName() + L"\\" + ProductShortName();
    if (bCommon || m_sMailboxID.empty()) return options;
    return options + L"\\" + m_sMailboxID;
}

namespace {
// The root of a setting: the current user's or the machine's.
std::uint32_t RootOf(bool bUser) { return bUser ? CWinReg::HKEY_CURRENT_USER() : CWinReg::HKEY_LOCAL_MACHINE(); }
}  // namespace

std::wstring COptions::KeyOf(const std::wstring& sPath) const { return sPath.empty() ? GetRegPath(false) : sPath; }

std::int32_t COptions::ReadDWORDOption(const std::wstring& sName, std::int32_t nDefault, bool bUser,
                                       const std::wstring& sPath) const {
    CWinReg reg;
    if (!reg.InitForRead(RootOf(bUser), KeyOf(sPath))) return nDefault;
    return reg.ReadDWORD(sName, nDefault);
}

bool COptions::WriteDWORDOption(const std::wstring& sName, std::int32_t nValue, bool bUser,
                                const std::wstring& sPath) const {
    CWinReg reg;
    return reg.InitForWrite(RootOf(bUser), KeyOf(sPath), true) && reg.WriteDWORD(sName, nValue);
}

std::wstring COptions::ReadStringOption(const std::wstring& sName, const std::wstring& sDefault, bool bUser,
                                        const std::wstring& sPath) const {
    CWinReg reg;
    const std::wstring s = reg.InitForRead(RootOf(bUser), KeyOf(sPath)) ? reg.ReadString(sName) : std::wstring();
    return s.empty() ? sDefault : s;
}

bool COptions::WriteStringOption(const std::wstring& sName, const std::wstring& sValue, bool bUser,
                                 const std::wstring& sPath) const {
    CWinReg reg;
    return reg.InitForWrite(RootOf(bUser), KeyOf(sPath), true) && reg.WriteString(sName, sValue);
}

std::wstring COptions::LangID() const {
    const auto options = GetRegPath(true);
    auto s = ReadStringOption(L"LANG", L"", true, options);
    if (s.empty()) s = ReadStringOption(L"LANG", L"", false, options);
    return s.empty() ? L"EN" : s;
}

void COptions::SetLangID(const std::wstring& sLangID) const { WriteStringOption(L"LANG", sLangID, true, GetRegPath(true)); }

std::wstring COptions::LangFile() const {
    const auto options = GetRegPath(true);
    const auto own = ReadStringOption(L"LANG_", L"", true, options);
    if (!own.empty()) return own;
    // A machine-wide file applies while the user's language is the machine's.
    if (ReadStringOption(L"LANG", L"", true, options) == ReadStringOption(L"LANG", L"", false, options)) {
        return ReadStringOption(L"LANG_", L"", false, options);
    }
    return {};
}

void COptions::SetLangFile(const std::wstring& sLangFile) const {
    WriteStringOption(L"LANG_", sLangFile, true, GetRegPath(true));
}

bool COptions::DebugButton() const { return ReadDWORDOption(L"DebugButton", 0, true, GetRegPath(true)) != 0; }

void COptions::SetDebugButton(bool bValue) const {
    WriteDWORDOption(L"DebugButton", bValue ? 1 : 0, true, GetRegPath(true));
}

std::int32_t COptions::ReadChoice(const std::wstring& sName, std::int32_t n, const wchar_t* procedure) const {
    const auto v = ReadDWORDOption(sName + std::to_wstring(n), 0, true, L"");
    const bool valid = v >= 0 && v <= 2;
    Assert(valid, procedure, L"Valid(ReadDWORDOption)");
    return valid ? v : 0;
}

std::int32_t COptions::LastUsed_Button(std::int32_t n) const {
    return ReadChoice(L"LastUsed_Button", n, L"COptions.LastUsed_Button(Get)");
}

void COptions::SetLastUsed_Button(std::int32_t n, std::int32_t nValue) const {
    WriteDWORDOption(L"LastUsed_Button" + std::to_wstring(n), nValue, true, L"");
}

std::int32_t COptions::LastUsed_MailAction(std::int32_t n) const {
    return ReadChoice(L"LastUsed_MailAction", n, L"COptions.LastUsed_MailAction(Get)");
}

void COptions::SetLastUsed_MailAction(std::int32_t n, std::int32_t nValue) const {
    WriteDWORDOption(L"LastUsed_MailAction" + std::to_wstring(n), nValue, true, L"");
}

bool COptions::LastUsed_AttachMail(std::int32_t n) const {
    return ReadDWORDOption(L"LastUsed_AttachMail" + std::to_wstring(n), 0, true, L"") != 0;
}

void COptions::SetLastUsed_AttachMail(std::int32_t n, bool bValue) const {
    WriteDWORDOption(L"LastUsed_AttachMail" + std::to_wstring(n), bValue ? 1 : 0, true, L"");
}

std::wstring COptions::ProductShortDisplayName() const {
    try {
        return g_oLang ? g_oLang->Item(L"LID_SHORT_DISPLAY_NAME") : std::wstring(L"LID_SHORT_DISPLAY_NAME");
    } catch (...) {
        Err().Clear();
        return L"LID_SHORT_DISPLAY_NAME";
    }
}

ObjectPtr COptions::MAIN_ICON() const {
    return Trapped(L"COptions.MAIN_ICON(Get)", [] { return LoadIconPicture(L"MAIN_ICON", 0, 0, false); });
}

ObjectPtr COptions::LOGO() const {
    return Trapped(L"COptions.LOGO(Get)", [] { return LoadBitmapPicture(L"LOGO"); });
}

}  // namespace brisko
