#include "addin/folders/CRecentFolders.h"

#include "addin/folders/mMain.h"
#include "addin/host/COptions.h"
#include "addin/host/CWinReg.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/platform.h"

namespace brisko {

namespace {

constexpr const wchar_t* kMaxCount = L"RecentFolders.MaxCount";
constexpr const wchar_t* kFirstIsDefault = L"RecentFolders.FirstIsDefault";
constexpr const wchar_t* kFirstIsRecent = L"RecentFolders.FirstIsRecent";
constexpr const wchar_t* kCountCheck = L"m_col.Count <= m_max";
constexpr std::int32_t kDefaultMax = 10;
constexpr std::int32_t kLargestMax = 100;
// One millisecond as a fraction of a day.
constexpr double kTick = 1.0 / 86400000.0;

double Now() {
    auto* clock = CurrentPlatform().clock;
    return clock ? MakeDate(clock->Now()).serial : 0.0;
}

std::shared_ptr<CRecentFolder> AsEntry(const Value& v) {
    auto entry = std::dynamic_pointer_cast<CRecentFolder>(v.AsObject());
    if (!entry) Raise(err::TypeMismatch);
    return entry;
}

}  // namespace

// --- CRecentFolder -----------------------------------------------------------------------

bool CRecentFolder::RefreshPath() {
    return Trapped(L"CRecentFolder.RefreshPath", [&] {
        const auto session = ObjectOf(g_oApplication, L"Session");
        const auto folder = ObjectOf(session, L"GetFolderFromID", {EntryID, StoreID});
        if (!folder) return false;
        // A path that can't be read (logged) leaves the one known.
        std::wstring path = GetFolderPath(folder);
        if (!path.empty()) Path = std::move(path);
        return true;
    });
}

Value CRecentFolder::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    std::wstring* field = nullptr;
    if (EqualsNoCase(name, L"EntryID")) field = &EntryID;
    else if (EqualsNoCase(name, L"StoreID")) field = &StoreID;
    else if (EqualsNoCase(name, L"Path")) field = &Path;
    if (!field) return Object::Invoke(name, kind, args);
    if (kind == CallKind::Put && args.size() == 1) {
        *field = args[0].AsString();
        return {};
    }
    if (kind == CallKind::Get && args.empty()) return *field;
    Raise(err::WrongArguments);
}

// --- CRecentFolders ----------------------------------------------------------------------

CRecentFolders::CRecentFolders() : m_col(std::make_shared<Collection>()) {}

std::wstring CRecentFolders::ValueName(std::int32_t nIndex, const wchar_t* suffix) {
    std::wstring nn = std::to_wstring(nIndex);
    if (nn.size() < 2) nn.insert(0, 2 - nn.size(), L'0');
    return L"RecentFolder[" + nn + L"]" + suffix;
}

std::int32_t CRecentFolders::ClampMax(std::int32_t nMax) noexcept {
    if (nMax < 1) return kDefaultMax;
    return nMax > kLargestMax ? kLargestMax : nMax;
}

void CRecentFolders::Touch() {
    // Strictly increasing, so that every change shows even within one tick of the clock. The time
    // is rounded to a double before the comparison (an x87 register holds it more precisely, so a
    // time equal to the stored one could compare greater and leave the list's time unchanged).
    const volatile double now = Now();
    m_dtLMT = now > m_dtLMT ? now : m_dtLMT + kTick;
}

std::wstring CRecentFolders::RegPath() const {
    if (m_sRegName.empty()) Raise(err::TypeMismatch, L"Not initialized, m_sRegName is empty");
    return Options().GetRegPath(false) + L"\\" + m_sRegName;
}

bool CRecentFolders::Matches(int nPos, const std::wstring& sEntryID, const std::wstring& sStoreID) const {
    const auto entry = Item(nPos);
    return entry->EntryID == sEntryID && entry->StoreID == sStoreID;
}

void CRecentFolders::InsertAt(const std::shared_ptr<CRecentFolder>& oEntry, std::int32_t nPos) {
    const std::wstring key = EntryStore2Key(oEntry->EntryID, oEntry->StoreID);
    if (nPos == 0 || nPos == Count() + 1) m_col->Add(Value(oEntry), key);
    else m_col->Add(Value(oEntry), key, nPos);
    Touch();
}

std::shared_ptr<CRecentFolder> CRecentFolders::TakeByKey(const std::wstring& sKey) {
    if (!m_col->HasKey(sKey)) return nullptr;
    auto entry = AsEntry(m_col->Item(Value(sKey)));
    m_col->Remove(Value(sKey));
    return entry;
}

void CRecentFolders::Init(const std::wstring& sRegName) {
    Trapped(L"CRecentFolders.Init", [&] {
        m_sRegName = sRegName;
        m_col = std::make_shared<Collection>();
        m_max = kDefaultMax;
        m_bFirstIsDefault = false;
        m_bFirstIsRecent = false;
        Touch();
        Load();
    });
}

void CRecentFolders::Load() {
    CWinReg reg;
    if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER(), RegPath())) return;
    m_max = ClampMax(reg.ReadDWORD(kMaxCount, kDefaultMax));
    for (std::int32_t i = 1; i <= m_max; ++i) {
        auto entry = std::make_shared<CRecentFolder>();
        entry->EntryID = reg.ReadString(ValueName(i, L".EntryID"));
        entry->StoreID = reg.ReadString(ValueName(i, L".StoreID"));
        entry->Path = reg.ReadString(ValueName(i, L".Path"));
        if (!entry->EntryID.empty() && !entry->StoreID.empty()) {
            const int before = Count();
            ResumeNext next;
            next([&] { InsertAt(entry, 0); });
            if (Count() == before) {
                LogError(L"CRecentFolders.Init", -1,
                         L"Failed to add folder( path=" + entry->Path + L", entryid=" + entry->EntryID +
                             L" ,storeid=" + entry->StoreID + L")");
            }
        }
        if (Count() > m_max) m_col->Remove(Value(Count()));
    }
    if (Count() > 0) {
        m_bFirstIsDefault = reg.ReadDWORD(kFirstIsDefault, 0) != 0;
        m_bFirstIsRecent = reg.ReadDWORD(kFirstIsRecent, 0) != 0;
    } else {
        m_bFirstIsDefault = false;
        m_bFirstIsRecent = false;
    }
    Assert(Count() <= m_max, L"CRecentFolders.Init", kCountCheck);
    reg.CloseKey();
}

void CRecentFolders::Save() {
    Trapped(L"CRecentFolders.WriteToReg", [&] {
        CWinReg reg;
        if (!reg.InitForWrite(CWinReg::HKEY_CURRENT_USER(), RegPath(), true)) {
            LogError(L"CRecentFolders.WriteToReg", 0, L"Cant save recent folder list");
            return;
        }
        // A capacity set in the registry while the add-in ran, within the bounds Init keeps.
        m_max = ClampMax(reg.ReadDWORD(kMaxCount, m_max));
        bool written = true;
        const int count = Count();
        for (int i = 1; i <= count; ++i) {
            const auto entry = Item(i);
            written = reg.WriteString(ValueName(i, L".EntryID"), entry->EntryID) && written;
            written = reg.WriteString(ValueName(i, L".StoreID"), entry->StoreID) && written;
            written = reg.WriteString(ValueName(i, L".Path"), entry->Path) && written;
        }
        for (std::int32_t i = count + 1; i <= m_max; ++i) {
            reg.DeleteValue(ValueName(i, L".EntryID"));
            reg.DeleteValue(ValueName(i, L".StoreID"));
            reg.DeleteValue(ValueName(i, L".Path"));
        }
        written = reg.WriteDWORD(kFirstIsDefault, m_bFirstIsDefault ? 1 : 0) && written;
        written = reg.WriteDWORD(kFirstIsRecent, m_bFirstIsRecent ? 1 : 0) && written;
        reg.CloseKey();
        // A list written in part is a failure too.
        if (!written) LogError(L"CRecentFolders.WriteToReg", 0, L"Cant save recent folder list");
    });
}

void CRecentFolders::SetDefault(const ObjectPtr& oFolder) {
    Trapped(L"CRecentFolders.SetDefault", [&] {
        const std::wstring entryID = GetOf(oFolder, L"EntryID").AsString();
        const std::wstring storeID = GetOf(oFolder, L"StoreID").AsString();
        SetDefault2(entryID, storeID, GetFolderPath(oFolder));
    });
}

void CRecentFolders::SetRecent(const ObjectPtr& oFolder) {
    Trapped(L"CRecentFolders.SetRecent", [&] {
        const std::wstring entryID = GetOf(oFolder, L"EntryID").AsString();
        const std::wstring storeID = GetOf(oFolder, L"StoreID").AsString();
        SetRecent2(entryID, storeID, GetFolderPath(oFolder));
    });
}

void CRecentFolders::SetDefault2(const std::wstring& sEntryID, const std::wstring& sStoreID,
                                 const std::wstring& sPath) {
    Trapped(L"CRecentFolders.SetDefault2", [&] {
        std::shared_ptr<CRecentFolder> entry;
        bool recent = m_bFirstIsRecent;
        if (Count() >= 1 && Matches(1, sEntryID, sStoreID)) {
            entry = Item(1);
        } else {
            recent = Count() >= 2 && !m_bFirstIsRecent && Matches(2, sEntryID, sStoreID);
            entry = TakeByKey(EntryStore2Key(sEntryID, sStoreID));
            if (!entry) entry = std::make_shared<CRecentFolder>(sEntryID, sStoreID);
            InsertAt(entry, 1);
            if (Count() > m_max) m_col->Remove(Value(Count()));
            Assert(Count() <= m_max, L"CRecentFolders.SetDefault2", kCountCheck);
        }
        entry->Path = sPath;
        m_bFirstIsDefault = true;
        m_bFirstIsRecent = recent;
        Touch();
    });
}

void CRecentFolders::SetRecent2(const std::wstring& sEntryID, const std::wstring& sStoreID,
                                const std::wstring& sPath) {
    Trapped(L"CRecentFolders.SetRecent2", [&] {
        const int before = Count();
        std::shared_ptr<CRecentFolder> entry;
        int p = 0;
        if (Count() >= 1 && Matches(1, sEntryID, sStoreID)) {
            p = 1;
            entry = Item(1);
        } else if (Count() >= 2 && m_bFirstIsDefault && Matches(2, sEntryID, sStoreID)) {
            p = 2;
            entry = Item(2);
        } else {
            entry = TakeByKey(EntryStore2Key(sEntryID, sStoreID));
            if (!entry) entry = std::make_shared<CRecentFolder>(sEntryID, sStoreID);
            p = Count() == 0 ? 1 : 2;
            InsertAt(entry, p);
            if (Count() > m_max) m_col->Remove(Value(Count()));
            Assert(Count() <= m_max, L"CRecentFolders.SetRecent2", kCountCheck);
        }
        m_bFirstIsRecent = p == 1;
        // The first folder ever recorded is the default too.
        if (Count() == 1 && before == 0) m_bFirstIsDefault = true;
        entry->Path = sPath;
        Touch();
    });
}

void CRecentFolders::Remove(const std::wstring& sEntryID, const std::wstring& sStoreID) {
    Trapped(L"CRecentFolders.Remove", [&] {
        int p = 0;
        if (Count() >= 1 && Matches(1, sEntryID, sStoreID)) p = 1;
        if (Count() >= 2 && Matches(2, sEntryID, sStoreID)) p = 2;
        TakeByKey(EntryStore2Key(sEntryID, sStoreID));
        if (p == 1) {
            m_bFirstIsDefault = m_bFirstIsRecent = Count() >= 1;
        } else if (p == 2 && !m_bFirstIsRecent) {
            m_bFirstIsRecent = true;
            Assert(m_bFirstIsDefault, L"CRecentFolders.Remove", L"m_bFirstIsDefault");
        }
        Touch();
    });
}

std::shared_ptr<CRecentFolder> CRecentFolders::Item(int nIndex) const { return AsEntry(m_col->Item(Value(nIndex))); }

std::shared_ptr<CRecentFolder> CRecentFolders::RecentItem() const {
    const int n = Count();
    if (n == 0) return nullptr;
    if (n == 1 || m_bFirstIsRecent) return Item(1);
    return Item(2);
}

bool CRecentFolders::FirstIsDefault() const {
    if (m_bFirstIsDefault && Count() == 0) Assert(false, L"CRecentFolders.FirstIsDefault", L"0");
    return m_bFirstIsDefault;
}

int CRecentFolders::FindItemIndex(const std::wstring& sEntryID, const std::wstring& sStoreID) const {
    const int n = Count();
    for (int i = 1; i <= n; ++i) {
        if (Matches(i, sEntryID, sStoreID)) return i;
    }
    return 0;
}

}  // namespace brisko
