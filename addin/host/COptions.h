// Settings in the registry and the product's fixed facts. Every setting is read or written at the
// moment it is used; nothing is cached but the mailbox identifier.
#pragma once

#include <cstdint>
#include <string>

#include "automation/object.h"

namespace brisko {

class COptions {
public:
    // Reads the mailbox identifier from the host once; failures leave it empty.
    COptions();

    std::wstring LangID() const;
    void SetLangID(const std::wstring& sLangID) const;
    std::wstring LangFile() const;
    void SetLangFile(const std::wstring& sLangFile) const;
    bool DebugButton() const;
    void SetDebugButton(bool bValue) const;
    // n is the dialog number: 3 the quick task dialog, 1 the quick appointment dialog.
    std::int32_t LastUsed_Button(std::int32_t n) const;
    void SetLastUsed_Button(std::int32_t n, std::int32_t nValue) const;
    std::int32_t LastUsed_MailAction(std::int32_t n) const;
    void SetLastUsed_MailAction(std::int32_t n, std::int32_t nValue) const;
    bool LastUsed_AttachMail(std::int32_t n) const;
    void SetLastUsed_AttachMail(std::int32_t n, bool bValue) const;

    // The options key when bCommon, else the mailbox key.
    std::wstring GetRegPath(bool bCommon) const;
    const std::wstring& MailboxID() const noexcept { return m_sMailboxID; }

    std::wstring CompanyShortName() const { return L"Corvant"; }
    std::wstring ProductShortName() const { return L"Brisko"; }
    std::wstring ProductHomePage() const { return L"https://www.corvant.com/brisko/"; }
    std::wstring ProductName() const { return L"Brisko for Outlook"; }
    // The current language's text for "LID_SHORT_DISPLAY_NAME".
    std::wstring ProductShortDisplayName() const;
    // The icon resource "MAIN_ICON" (standard size) and the bitmap resource "LOGO" as pictures;
    // nothing, with the error logged, when they can't be loaded.
    ObjectPtr MAIN_ICON() const;
    ObjectPtr LOGO() const;

private:
    std::int32_t ReadDWORDOption(const std::wstring& sName, std::int32_t nDefault, bool bUser,
                                 const std::wstring& sPath) const;
    bool WriteDWORDOption(const std::wstring& sName, std::int32_t nValue, bool bUser, const std::wstring& sPath) const;
    std::wstring ReadStringOption(const std::wstring& sName, const std::wstring& sDefault, bool bUser,
                                  const std::wstring& sPath) const;
    bool WriteStringOption(const std::wstring& sName, const std::wstring& sValue, bool bUser,
                           const std::wstring& sPath) const;
    // The given key path, or the mailbox key for an empty one. Each helper's key is closed as
    // its CWinReg goes out of scope.
    std::wstring KeyOf(const std::wstring& sPath) const;
    std::int32_t ReadChoice(const std::wstring& sName, std::int32_t n, const wchar_t* procedure) const;

    std::wstring m_sMailboxID;
};

}  // namespace brisko
