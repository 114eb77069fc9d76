// The recent-folder lists: an ordered, bounded list of folders with one place reserved for a
// default folder, kept per mailbox in the registry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "addin/host/services.h"
#include "automation/collection.h"
#include "automation/object.h"

namespace brisko {

// One entry. Late bound it answers EntryID, StoreID and Path.
class CRecentFolder : public Object {
public:
    CRecentFolder() = default;
    CRecentFolder(std::wstring sEntryID, std::wstring sStoreID, std::wstring sPath = {})
        : EntryID(std::move(sEntryID)), StoreID(std::move(sStoreID)), Path(std::move(sPath)) {}

    std::wstring EntryID;
    std::wstring StoreID;
    std::wstring Path;  // for display only

    // Looks the folder up in the host by its identifiers and takes its current path; false (the
    // path unchanged) when the lookup fails.
    bool RefreshPath();

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"CRecentFolder"; }
};

class CRecentFolders : public IRecentFolders {
public:
    CRecentFolders();

    void Init(const std::wstring& sRegName) override;
    // Writes the list; its log records carry "CRecentFolders.WriteToReg".
    void Save() override;
    double LMT() const override { return m_dtLMT; }
    int MaxCount() const override { return m_max; }

    void SetDefault(const ObjectPtr& oFolder) override;
    void SetDefault2(const std::wstring& sEntryID, const std::wstring& sStoreID, const std::wstring& sPath) override;
    void SetRecent(const ObjectPtr& oFolder) override;
    void SetRecent2(const std::wstring& sEntryID, const std::wstring& sStoreID, const std::wstring& sPath) override;
    void Remove(const std::wstring& sEntryID, const std::wstring& sStoreID) override;
    int Count() const override { return m_col->Count(); }
    std::shared_ptr<CRecentFolder> Item(int nIndex) const override;
    std::shared_ptr<CRecentFolder> RecentItem() const override;
    // Asserts that a default flag comes with an entry.
    bool FirstIsDefault() const override;
    int FindItemIndex(const std::wstring& sEntryID, const std::wstring& sStoreID) const override;

    // The flags as they stand, without the assertion; for tools and tests.
    bool FirstIsDefaultFlag() const noexcept { return m_bFirstIsDefault; }
    bool FirstIsRecent() const noexcept { return m_bFirstIsRecent; }
    const std::wstring& RegName() const noexcept { return m_sRegName; }

    // The value names of an entry: "RecentFolder[" + NN + "]" + suffix, NN = "01".."99", "100".
    static std::wstring ValueName(std::int32_t nIndex, const wchar_t* suffix);
    // The bounds of a stored capacity: below 1 means 10, above 100 means 100.
    static std::int32_t ClampMax(std::int32_t nMax) noexcept;

private:
    std::wstring RegPath() const;
    void Load();
    void InsertAt(const std::shared_ptr<CRecentFolder>& oEntry, std::int32_t nPos);
    // The entry stored under the folder's key, taken out of the list; nothing when none is.
    std::shared_ptr<CRecentFolder> TakeByKey(const std::wstring& sKey);
    bool Matches(int nPos, const std::wstring& sEntryID, const std::wstring& sStoreID) const;
    void Touch();

    std::wstring m_sRegName;
    std::shared_ptr<Collection> m_col;
    std::int32_t m_max = 10;
    bool m_bFirstIsDefault = false;
    bool m_bFirstIsRecent = false;
    double m_dtLMT = 0.0;
};

}  // namespace brisko
