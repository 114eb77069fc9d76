// Recording, saving and loading the lists with each host call, then each registry call, failed in
// turn: nothing escapes, nothing leaks, every host failure is logged.
#include <gtest/gtest.h>

#include "addin/dialogs/mForms.h"
#include "automation/text.h"
#include "failing_registry.h"
#include "folders_fixture.h"

namespace brisko::testing {
namespace {

constexpr std::int32_t kInjected = -2147220991;  // 0x80040201
const wchar_t* const kInjectedText = L"Injected host failure";

class ListFaults : public FoldersTest {
protected:
    // Records, refreshes and saves a list, then loads it again; the count loaded.
    int Run(const std::wstring& name) {
        int loaded = -1;
        {
            CRecentFolders list;
            list.Init(name);
            list.SetRecent(mb.alpha->Ref());
            list.SetRecent(mb.archiveInbox->Ref());
            list.SetDefault(mb.invoices->Ref());
            list.SetRecent(mb.beta->Ref());
            list.Remove(mb.alpha->EntryID(), mb.alpha->StoreID());
            for (int i = 1; i <= list.Count(); ++i) list.Item(i)->RefreshPath();
            list.Save();
            CRecentFolders again;
            again.Init(name);
            loaded = again.Count();
        }
        return loaded;
    }
    static bool KnownProcedure(const std::wstring& p) {
        for (const wchar_t* prefix : {L"CRecentFolders.", L"CRecentFolder.", L"mMain."}) {
            if (p.rfind(prefix, 0) == 0) return true;
        }
        return false;
    }
};

TEST_F(ListFaults, EveryFailingHostCallIsLogged) {
    host.SetTracing(true);
    const auto start = host.CallCount();
    ASSERT_EQ(Run(ListName(L"HostClean")), 3);
    const auto calls = host.CallCount() - start;
    ASSERT_GT(calls, 20u);
    ASSERT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
    // Only g_oApplication stays referenced.
    const long held = host.ExternalReferences();
    ASSERT_EQ(held, 1);
    const auto trace = host.Trace();

    for (std::uint64_t k = 1; k <= calls; ++k) {
        SCOPED_TRACE("call " + std::to_string(k) + ": " + ToUtf8(trace.at(static_cast<std::size_t>(trace.size() - calls + k - 1))));
        platform.torvik.Reset();
        host.FailCall(k, kInjected, kInjectedText);
        const int loaded = Run(ListName(L"Host" + std::to_wstring(k)));
        host.ClearFaults();
        EXPECT_GE(loaded, 2);
        EXPECT_EQ(host.ExternalReferences(), held) << ToUtf8(host.DescribeExternalReferences());
        bool logged = false;
        for (const auto& r : Log()) {
            if (r.level != 3) continue;
            EXPECT_TRUE(KnownProcedure(r.procedure)) << ToUtf8(r.procedure);
            if (r.errorNumber == kInjected && r.message == kInjectedText) logged = true;
        }
        EXPECT_TRUE(logged) << "the failure went unreported";
        EXPECT_FALSE(Err().Pending());
    }
}

TEST_F(ListFaults, EveryFailingRegistryCallLeavesNoOpenKey) {
    auto& failing = InstallFailingRegistry();
    const auto start = failing.Calls();
    ASSERT_EQ(Run(ListName(L"RegClean")), 3);
    const auto calls = failing.Calls() - start;
    ASSERT_GT(calls, 20u);

    for (std::uint64_t k = 1; k <= calls; ++k) {
        SCOPED_TRACE("registry call " + std::to_string(k));
        platform.torvik.Reset();
        failing.FailCall(k);
        const int loaded = Run(ListName(L"Reg" + std::to_wstring(k)));
        EXPECT_GE(loaded, 0);
        EXPECT_LE(loaded, 3);
        EXPECT_EQ(host.ExternalReferences(), 1);
#ifndef _WIN32
        EXPECT_EQ(platform.registry.OpenHandleCount(), 0u);
#endif
        // A write that failed is reported; reads fall back to defaults, deletions go unreported.
        const auto kind = failing.FailedKind();
        if (kind == FailingRegistry::Set || kind == FailingRegistry::Create) {
            EXPECT_EQ(Errors(), (std::vector<std::wstring>{L"CRecentFolders.WriteToReg|0|Cant save recent folder list"}));
        }
        failing.FailCall(0);
    }
}

}  // namespace
}  // namespace brisko::testing

namespace brisko::testing {
namespace {

// The recent-folders menu with each host call failed in turn: nothing escapes, every menu is
// destroyed, nothing stays referenced, every failure is logged.
class MenuFaults : public ListFaults {
protected:
    void Run(const std::shared_ptr<CRecentFolders>& list) {
        platform.menus.QueueChoice(1);  // the picker from the menu
        host.QueuePickFolderAnswer(mb.calendar);
        host.QueuePickFolderAnswer(mb.alpha);
        ShowRecentFoldersMenu(0, list, kKindMail, mb.inbox->Ref());
        platform.menus.QueueChoice(102);  // set the third entry as the default
        ShowRecentFoldersMenu(0, list, kKindMail, nullptr);
        host.SetPickFolderAnswer(nullptr);
    }
};

TEST_F(MenuFaults, EveryFailingHostCallIsLogged) {
    auto list = std::make_shared<CRecentFolders>();
    list->SetRecent2(mb.projects->EntryID(), mb.projects->StoreID(), L"P");
    list->SetRecent2(mb.archiveInbox->EntryID(), mb.archiveInbox->StoreID(), L"A");
    list->SetRecent2(mb.beta->EntryID(), mb.beta->StoreID(), L"B");
    host.SetTracing(true);
    const auto start = host.CallCount();
    Run(list);
    const auto calls = host.CallCount() - start;
    ASSERT_GT(calls, 20u);
    ASSERT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
    const long held = host.ExternalReferences();

    for (std::uint64_t k = 1; k <= calls; ++k) {
        SCOPED_TRACE("call " + std::to_string(k));
        platform.torvik.Reset();
        platform.menus.ClearChoices();
        host.FailCall(k, kInjected, kInjectedText);
        Run(list);
        host.ClearFaults();
        EXPECT_EQ(platform.menus.LiveMenus(), 0u);
        EXPECT_EQ(host.ExternalReferences(), held) << ToUtf8(host.DescribeExternalReferences());
        bool logged = false;
        for (const auto& r : Log()) {
            if (r.level != 3) continue;
            EXPECT_TRUE(r.procedure.rfind(L"mForms.", 0) == 0 || KnownProcedure(r.procedure)) << ToUtf8(r.procedure);
            if (r.errorNumber == kInjected && r.message == kInjectedText) logged = true;
        }
        EXPECT_TRUE(logged) << "the failure went unreported";
        EXPECT_FALSE(Err().Pending());
    }
}

}  // namespace
}  // namespace brisko::testing
