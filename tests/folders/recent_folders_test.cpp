// The recent-folder lists: order, default and most recent entry, capacity, the registry layout.
#include <gtest/gtest.h>

#include <algorithm>

#include "automation/error.h"
#include "automation/text.h"
#include "failing_registry.h"
#include "folders_fixture.h"

namespace brisko::testing {
namespace {

using Strings = std::vector<std::wstring>;
constexpr wchar_t kStore[] = L"S1";

class RecentFolders : public FoldersTest {
protected:
    // Records folders named by one letter (entry id = path = the letter).
    static void Record(CRecentFolders& list, const std::wstring& letters) {
        for (wchar_t c : letters) list.SetRecent2(std::wstring(1, c), kStore, std::wstring(1, c));
    }
    static std::wstring Order(const CRecentFolders& list) {
        std::wstring s;
        for (const auto& p : Paths(list)) s += p;
        return s;
    }
    static std::wstring Recent(const CRecentFolders& list) {
        const auto r = list.RecentItem();
        return r ? r->Path : L"-";
    }
    // A list of the given capacity, loaded from the registry.
    void InitWithMax(CRecentFolders& list, const std::wstring& name, std::int32_t max) {
        PresetDword(name, L"RecentFolders.MaxCount", max);
        list.Init(name);
    }
};

TEST_F(RecentFolders, NewFoldersEnterBehindTheDefault) {
    CRecentFolders list;
    list.Init(ListName(L"Order"));
    Record(list, L"A");
    EXPECT_TRUE(list.FirstIsDefault());
    EXPECT_TRUE(list.FirstIsRecent());
    Record(list, L"BC");
    EXPECT_EQ(Order(list), L"ACB");
    EXPECT_TRUE(list.FirstIsDefault());
    EXPECT_FALSE(list.FirstIsRecent());
    EXPECT_EQ(Recent(list), L"C");

    // The first again: most recent, nothing else moves.
    const double before = list.LMT();
    list.SetRecent2(L"A", kStore, L"A renamed");
    EXPECT_EQ(Order(list), L"A renamedCB");
    EXPECT_TRUE(list.FirstIsRecent());
    EXPECT_GT(list.LMT(), before);
    // The second while the first is the default: the order stays, the second is the recent one.
    list.SetRecent2(L"C", kStore, L"C");
    EXPECT_EQ(Order(list), L"A renamedCB");
    EXPECT_FALSE(list.FirstIsRecent());
    EXPECT_EQ(Recent(list), L"C");
    // An entry further down moves to position 2.
    list.SetRecent2(L"B", kStore, L"B");
    EXPECT_EQ(Order(list), L"A renamedBC");
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

TEST_F(RecentFolders, TheOldestFallsOffAtCapacity) {
    CRecentFolders list;
    InitWithMax(list, ListName(L"Capacity"), 3);
    EXPECT_EQ(list.MaxCount(), 3);
    Record(list, L"DYX");
    EXPECT_EQ(Order(list), L"DXY");
    Record(list, L"Z");
    EXPECT_EQ(Order(list), L"DZX");
    // A new default pushes the last one out too.
    list.SetDefault2(L"W", kStore, L"W");
    EXPECT_EQ(Order(list), L"WDZ");
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

TEST_F(RecentFolders, SettingTheDefault) {
    CRecentFolders list;
    Record(list, L"ACB");  // C and B each enter at position 2
    ASSERT_EQ(Order(list), L"ABC");
    // From position 3: to the front, the old default second, the recent entry now second.
    list.SetDefault2(L"C", kStore, L"C");
    EXPECT_EQ(Order(list), L"CAB");
    EXPECT_FALSE(list.FirstIsRecent());
    EXPECT_EQ(Recent(list), L"A");
    // From position 2 while it is the recent one: it stays the recent one.
    list.SetDefault2(L"A", kStore, L"A");
    EXPECT_EQ(Order(list), L"ACB");
    EXPECT_TRUE(list.FirstIsRecent());
    // The default again: only its path changes.
    list.SetDefault2(L"A", kStore, L"A2");
    EXPECT_EQ(Order(list), L"A2CB");
    EXPECT_TRUE(list.FirstIsRecent());
    // A folder new to the list.
    list.SetDefault2(L"N", kStore, L"N");
    EXPECT_EQ(Order(list), L"NA2CB");
    EXPECT_FALSE(list.FirstIsRecent());
    EXPECT_TRUE(list.FirstIsDefault());
}

TEST_F(RecentFolders, Removing) {
    CRecentFolders list;
    Record(list, L"ADCB");  // A, then B C D behind it
    ASSERT_EQ(Order(list), L"ABCD");
    // The recent entry at 2 goes: the default becomes the recent one.
    list.Remove(L"B", kStore);
    EXPECT_EQ(Order(list), L"ACD");
    EXPECT_TRUE(list.FirstIsRecent());
    // The first goes: the next is default and recent.
    list.Remove(L"A", kStore);
    EXPECT_EQ(Order(list), L"CD");
    EXPECT_TRUE(list.FirstIsDefault());
    EXPECT_TRUE(list.FirstIsRecent());
    // A folder that is not there: nothing but the time.
    const double before = list.LMT();
    list.Remove(L"Q", kStore);
    EXPECT_EQ(Order(list), L"CD");
    EXPECT_GT(list.LMT(), before);
    list.Remove(L"D", kStore);
    list.Remove(L"C", kStore);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.FirstIsDefault());
    EXPECT_FALSE(list.FirstIsRecent());
    EXPECT_EQ(list.RecentItem(), nullptr);
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

TEST_F(RecentFolders, IdentifiersCompareExactlyKeysWithoutCase) {
    CRecentFolders list;
    list.SetRecent2(L"abc", kStore, L"first");
    list.SetRecent2(L"def", kStore, L"second");
    EXPECT_EQ(list.FindItemIndex(L"abc", kStore), 1);
    EXPECT_EQ(list.FindItemIndex(L"def", kStore), 2);
    EXPECT_EQ(list.FindItemIndex(L"ABC", kStore), 0);
    EXPECT_EQ(list.FindItemIndex(L"abc", L"s1"), 0);
    EXPECT_EQ(list.FindItemIndex(L"zzz", kStore), 0);
    // "ABC" is not the first by the position check, but shares its key: the entry is taken out,
    // keeps its identifiers and comes back at position 2.
    list.SetRecent2(L"ABC", kStore, L"upper");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(Paths(list), (Strings{L"second", L"upper"}));
    EXPECT_EQ(list.Item(2)->EntryID, L"abc");
    EXPECT_FALSE(list.FirstIsRecent());
}

TEST_F(RecentFolders, AccessorsReportAndRaise) {
    CRecentFolders list;
    list.SetRecent2(L"A", kStore, L"A");
    try {
        list.Item(2);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::SubscriptOutOfRange);
    }
    EXPECT_THROW(list.Item(0), RuntimeError);
    // A default flag left on an empty list (the first removed under a key of another case).
    list.Remove(L"a", kStore);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.FirstIsDefault());
    EXPECT_EQ(Errors(), (Strings{L"CRecentFolders.FirstIsDefault|0|ASSERT FAILED - 0"}));
}

TEST_F(RecentFolders, LoadsClosingGapsAndSavesInOrder) {
    const auto name = ListName(L"Gaps");
    PresetEntry(name, 1, L"E1", kStore, L"\\\\S\\One");
    PresetEntry(name, 3, L"E3", kStore, L"\\\\S\\Three");
    PresetEntry(name, 4, L"E4", kStore, L"\\\\S\\Four");
    PresetEntry(name, 5, L"", kStore, L"\\\\S\\No entry id");
    PresetDword(name, L"RecentFolders.FirstIsDefault", 1);
    PresetDword(name, L"RecentFolders.FirstIsRecent", 0);
    CRecentFolders list;
    list.Init(name);
    EXPECT_EQ(Paths(list), (Strings{L"\\\\S\\One", L"\\\\S\\Three", L"\\\\S\\Four"}));
    EXPECT_TRUE(list.FirstIsDefault());
    EXPECT_FALSE(list.FirstIsRecent());
    EXPECT_EQ(list.RecentItem()->Path, L"\\\\S\\Three");

    list.Save();
    EXPECT_EQ(ReadString(name, L"RecentFolder[03].EntryID"), L"E4");
    EXPECT_EQ(ReadString(name, L"RecentFolder[02].Path"), L"\\\\S\\Three");
    auto names = ValueNames(name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Strings{L"RecentFolder[01].EntryID", L"RecentFolder[01].Path", L"RecentFolder[01].StoreID",
                              L"RecentFolder[02].EntryID", L"RecentFolder[02].Path", L"RecentFolder[02].StoreID",
                              L"RecentFolder[03].EntryID", L"RecentFolder[03].Path", L"RecentFolder[03].StoreID",
                              L"RecentFolders.FirstIsDefault", L"RecentFolders.FirstIsRecent"}));
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());

    // Read back by a new list: the same.
    CRecentFolders again;
    again.Init(name);
    EXPECT_EQ(Paths(again), Paths(list));
    EXPECT_EQ(again.Item(3)->StoreID, kStore);
}

TEST_F(RecentFolders, CapacityFromTheRegistryIsBounded) {
    const std::pair<std::int32_t, std::int32_t> cases[] = {{0, 10}, {-5, 10}, {1, 1}, {100, 100}, {500, 100}};
    for (const auto& [stored, max] : cases) {
        CRecentFolders list;
        const auto name = ListName(L"Max" + std::to_wstring(stored));
        InitWithMax(list, name, stored);
        EXPECT_EQ(list.MaxCount(), max) << stored;
    }
    // 101 entries stored with a capacity of 500: only the first 100 load.
    const auto name = ListName(L"Hundred");
    for (int i = 1; i <= 101; ++i) PresetEntry(name, i, L"E" + std::to_wstring(i), kStore, L"P" + std::to_wstring(i));
    EXPECT_EQ(CRecentFolders::ValueName(100, L".Path"), L"RecentFolder[100].Path");
    CRecentFolders list;
    InitWithMax(list, name, 500);
    EXPECT_EQ(list.Count(), 100);
    EXPECT_EQ(list.Item(100)->Path, L"P100");
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

// A capacity stored while the add-in runs is bounded at saving as at loading: a huge one must
// not make the disconnection delete billions of values.
TEST_F(RecentFolders, SaveBoundsAStoredCapacity) {
    auto& counting = InstallFailingRegistry();
    for (std::int32_t stored : {0x7FFFFFFF, -1, static_cast<std::int32_t>(0x80000000)}) {
        CRecentFolders list;
        const auto name = ListName(L"Huge" + std::to_wstring(stored));
        list.Init(name);
        Record(list, L"AB");
        PresetDword(name, L"RecentFolders.MaxCount", stored);
        const auto deletesBefore = counting.Deletes();
        list.Save();
        EXPECT_LE(counting.Deletes() - deletesBefore, 3u * 100u) << stored;
        EXPECT_EQ(list.MaxCount(), stored > 0 ? 100 : 10);
        EXPECT_EQ(ReadString(name, L"RecentFolder[02].EntryID"), L"B");
        EXPECT_EQ(ReadString(name, L"RecentFolder[01].Path"), L"A");
    }
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

TEST_F(RecentFolders, DuplicateEntriesLoadOnce) {
    const auto name = ListName(L"Dup");
    PresetEntry(name, 1, L"E1", kStore, L"first");
    PresetEntry(name, 2, L"e1", kStore, L"same key");
    PresetEntry(name, 3, L"E3", kStore, L"third");
    CRecentFolders list;
    list.Init(name);
    EXPECT_EQ(Paths(list), (Strings{L"first", L"third"}));
    EXPECT_EQ(Errors(), (Strings{L"CRecentFolders.Init|457|Failed to add folder( path=same key, entryid=e1 ,storeid=S1)"}));
    EXPECT_FALSE(Err().Pending());
}

TEST_F(RecentFolders, FailuresAreLoggedUnderTheirNames) {
    // No name: neither loads nor saves.
    CRecentFolders unnamed;
    unnamed.Init(L"");
    unnamed.Save();
    EXPECT_EQ(Errors(), (Strings{L"CRecentFolders.Init|13|Not initialized, m_sRegName is empty",
                                 L"CRecentFolders.WriteToReg|13|Not initialized, m_sRegName is empty"}));
    EXPECT_EQ(unnamed.Count(), 0);
    platform.torvik.Reset();

    // A key that can't be opened for writing, and a list written only in part.
    auto& failing = InstallFailingRegistry();
    CRecentFolders list;
    list.Init(ListName(L"Unwritable"));
    Record(list, L"AB");
    failing.FailKind(FailingRegistry::Create);
    list.Save();
    failing.FailKind(FailingRegistry::Set);
    list.Save();
    EXPECT_EQ(Errors(), (Strings{L"CRecentFolders.WriteToReg|0|Cant save recent folder list",
                                 L"CRecentFolders.WriteToReg|0|Cant save recent folder list"}));
    // A missing key reads as an empty list.
    platform.torvik.Reset();
    failing.FailKind(FailingRegistry::Open);
    CRecentFolders unreadable;
    unreadable.Init(L"Nowhere");
    EXPECT_EQ(unreadable.Count(), 0);
    EXPECT_FALSE(unreadable.FirstIsDefault());
    EXPECT_EQ(unreadable.MaxCount(), 10);
    EXPECT_TRUE(Errors().empty());
#ifndef _WIN32
    EXPECT_EQ(platform.registry.OpenHandleCount(), 0u);
#endif
}

TEST_F(RecentFolders, HostFoldersAndTheirPaths) {
    CRecentFolders list;
    list.SetRecent(mb.alpha->Ref());
    list.SetRecent(mb.archiveInbox->Ref());
    list.SetDefault(mb.invoices->Ref());
    EXPECT_EQ(Paths(list), (Strings{L"\\\\Mailbox - Anna Berg\\Inbox\\Invoices", L"\\\\Mailbox - Anna Berg\\Inbox\\Projects\\Alpha",
                                    L"\\\\Archive 2009\\Inbox"}));
    EXPECT_EQ(list.FindItemIndex(mb.archiveInbox->EntryID(), mb.archiveInbox->StoreID()), 3);

    // A renamed folder shows its new path; a vanished one keeps its last path.
    mb.alpha->SetName(L"Alpha 2");
    EXPECT_TRUE(list.Item(2)->RefreshPath());
    EXPECT_EQ(list.Item(2)->Path, L"\\\\Mailbox - Anna Berg\\Inbox\\Projects\\Alpha 2");
    host.Vanish(mb.archiveInbox);
    EXPECT_FALSE(list.Item(3)->RefreshPath());
    EXPECT_EQ(list.Item(3)->Path, L"\\\\Archive 2009\\Inbox");
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].rfind(L"CRecentFolder.RefreshPath|", 0), 0u) << ToUtf8(Errors()[0]);

    // A folder that can't be read is not recorded.
    platform.torvik.Reset();
    list.SetRecent(mb.archiveInbox->Ref());
    list.SetRecent(nullptr);
    EXPECT_EQ(list.Count(), 3);
    ASSERT_EQ(Errors().size(), 2u);
    EXPECT_EQ(Errors()[1], L"CRecentFolders.SetRecent|91|" + StandardDescription(err::ObjectNotSet));
}

// The connection creates the lists, loads them and saves them at disconnection.
TEST_F(RecentFolders, ServedToTheConnection) {
    auto list = Services().newRecentFolders();
    ASSERT_NE(dynamic_cast<CRecentFolders*>(list.get()), nullptr);
    const auto name = ListName(L"Served");
    list->Init(name);
    list->SetRecent2(L"E", kStore, L"P");
    list->Save();
    EXPECT_EQ(ReadString(name, L"RecentFolder[01].EntryID"), L"E");
}

}  // namespace
}  // namespace brisko::testing
