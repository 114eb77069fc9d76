#include "addin/folders/mMain.h"

#include <vector>

#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/platform.h"
#include "platform/ui.h"

namespace brisko {

namespace {

// Store ids in number order: number n is stores[n - 1].
std::vector<std::wstring>& StoreTable() {
    static std::vector<std::wstring> stores;
    return stores;
}

constexpr std::int32_t kFolderClass = 2;
constexpr std::int32_t kDeletedItems = 3;
constexpr std::int32_t kInbox = 6;

ObjectPtr Session() { return ObjectOf(g_oApplication, L"Session"); }

std::vector<std::wstring> SplitPath(const std::wstring& sPath) {
    std::vector<std::wstring> names;
    const auto first = sPath.find_first_not_of(L'\\');
    if (first == std::wstring::npos) return names;
    std::size_t at = first;
    for (;;) {
        const auto slash = sPath.find(L'\\', at);
        names.push_back(sPath.substr(at, slash == std::wstring::npos ? std::wstring::npos : slash - at));
        if (slash == std::wstring::npos) break;
        at = slash + 1;
    }
    return names;
}

}  // namespace

std::int32_t GetStoreNumber(const std::wstring& sStoreID) {
    if (sStoreID.empty()) return 0;
    auto& stores = StoreTable();
    for (std::size_t i = 0; i < stores.size(); ++i) {
        if (EqualsNoCase(stores[i], sStoreID)) return static_cast<std::int32_t>(i + 1);
    }
    stores.push_back(sStoreID);
    return static_cast<std::int32_t>(stores.size());
}

std::wstring EntryStore2Key(const std::wstring& sEntryID, const std::wstring& sStoreID) {
    return sEntryID + L"." + std::to_wstring(GetStoreNumber(sStoreID));
}

void Key2EntryStore(const std::wstring& sKey, std::wstring& sEntryID, std::wstring& sStoreID) {
    sEntryID.clear();
    sStoreID.clear();
    TrappedWith(
        [&] {
            const auto dot = sKey.find(L'.');
            if (dot == std::wstring::npos) Raise(err::SubscriptOutOfRange);
            const auto end = sKey.find(L'.', dot + 1);
            const std::wstring number = sKey.substr(dot + 1, end == std::wstring::npos ? end : end - dot - 1);
            const std::int32_t n = Value(number).AsInt();
            std::wstring store;
            // Number 0 stands for an empty store id.
            if (n != 0) {
                const auto& stores = StoreTable();
                if (n < 1 || static_cast<std::size_t>(n) > stores.size()) Raise(err::SubscriptOutOfRange);
                store = stores[static_cast<std::size_t>(n - 1)];
            }
            sEntryID = sKey.substr(0, dot);
            sStoreID = std::move(store);
        },
        [&] { LogError(L"Key2EntryStore", -1, std::nullopt, L"Key=" + sKey); });
}

void ResetStoreNumbers() noexcept { StoreTable().clear(); }

std::wstring GetFolderPath(const ObjectPtr& oFolder) {
    return Trapped(L"mMain.GetFolderPath", [&] {
        std::wstring path;
        ObjectPtr folder = oFolder;
        if (!folder) Raise(err::ObjectNotSet);
        while (folder) {
            ObjectPtr next;
            const ObjectPtr parent = ObjectOf(folder, L"Parent");
            if (parent && GetOf(parent, L"Class").AsInt() == kFolderClass) next = parent;
            const std::wstring name = GetOf(folder, L"Name").AsString();
            path = path.empty() ? name : name + L"\\" + path;
            folder = std::move(next);
        }
        return L"\\\\" + path;
    });
}

std::wstring RemoveRootFromPath(const std::wstring& sPath) {
    return Trapped(
        L"mMain.RemoveRootFromPath",
        [&] {
            const auto first = sPath.find_first_not_of(L'\\');
            if (first == std::wstring::npos) return sPath;
            const auto slash = sPath.find(L'\\', first);
            if (slash == std::wstring::npos) return sPath;
            std::wstring rest = sPath.substr(slash + 1);
            return rest.empty() ? sPath : rest;
        },
        sPath);
}

bool IsDefaultStore(const std::wstring& sStoreID) {
    return Trapped(L"mMain.IsDefaultStore", [&] {
        const auto inbox = ObjectOf(Session(), L"GetDefaultFolder", {kInbox});
        return GetOf(inbox, L"StoreID").AsString() == sStoreID;
    });
}

void CLinkLabel_SetPath(const ObjectPtr& oLabel, const std::wstring& sPath, double nMaxWidth,
                        const std::wstring& sSmallest) {
    Trapped(L"CLinkLabel_SetPath", [&] {
        if (!oLabel) Raise(err::ObjectNotSet);
        auto fits = [&](const std::wstring& caption) {
            oLabel->Put(L"Caption", caption);
            oLabel->Put(L"AutoSize", true);
            return oLabel->Get(L"Width").AsDouble() <= nMaxWidth;
        };
        if (fits(sPath)) return;
        const auto names = SplitPath(sPath);
        const std::size_t k = names.size();
        for (std::size_t i = 1; i < k; ++i) {
            const std::size_t m = k - i;
            std::wstring caption;
            if (m == 1) {
                caption = L"...\\" + names[k - 1];
            } else {
                caption = names[0] + L"\\...";
                for (std::size_t j = i + 2; j <= k; ++j) caption += L"\\" + names[j - 1];
            }
            if (fits(caption)) return;
        }
        if (k >= 1) {
            const std::wstring& last = names[k - 1];
            for (std::size_t len = last.size(); len-- > 1;) {
                if (fits(L"...\\" + last.substr(0, len) + L"...")) return;
            }
        }
        oLabel->Put(L"Caption", sSmallest);
        oLabel->Put(L"AutoSize", true);
    });
}

ObjectPtr NewRDOSession() {
    auto* objects = CurrentPlatform().objects;
    if (!objects) Raise(err::CantCreateObject);
    ObjectPtr session = objects->CreateObject(kRDOSessionClassId);
    if (!session) Raise(err::CantCreateObject);
    session->Put(L"MAPIOBJECT", GetOf(Session(), L"MAPIOBJECT"));
    return session;
}

bool IsFolderDeletedItems(const ObjectPtr& oFolder) {
    return Trapped(L"mMain.IsFolderDeletedItems", [&] {
        const auto deleted = ObjectOf(Session(), L"GetDefaultFolder", {kDeletedItems});
        const std::wstring storeID = GetOf(oFolder, L"StoreID").AsString();
        const std::wstring entryID = GetOf(oFolder, L"EntryID").AsString();
        if (storeID == GetOf(deleted, L"StoreID").AsString()) return entryID == GetOf(deleted, L"EntryID").AsString();
        const ObjectPtr rdo = NewRDOSession();
        const auto store = ObjectOf(rdo, L"GetStoreFromID", {storeID});
        const auto rdoDeleted = ObjectOf(store, L"GetDefaultFolder", {kDeletedItems});
        return GetOf(rdoDeleted, L"EntryID").AsString() == entryID;
    });
}

bool RDOMoveMail(const ObjectPtr& oMail, const ObjectPtr& oDestFolder, ObjectPtr oRDOSession, ObjectPtr oRDOFolder) {
    return Trapped(L"mMain.RDOMoveMail", [&] {
        if (!oRDOSession) oRDOSession = NewRDOSession();
        if (!oRDOFolder) {
            oRDOFolder = ObjectOf(oRDOSession, L"GetFolderFromID",
                                  {GetOf(oDestFolder, L"EntryID"), GetOf(oDestFolder, L"StoreID")});
        }
        const Value entryID = GetOf(oMail, L"EntryID");
        const Value storeID = GetOf(ObjectOf(oMail, L"Parent"), L"StoreID");
        const auto message = ObjectOf(oRDOSession, L"GetMessageFromID", {entryID, storeID});
        // The moved item is released at once.
        CallOf(message, L"Move", {Value(oRDOFolder)});
        return true;
    });
}

}  // namespace brisko
