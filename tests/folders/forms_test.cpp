// The folder picker's acceptance rules and messages, and the recent-folders menu.
#include <gtest/gtest.h>

#include "addin/dialogs/mForms.h"
#include "automation/text.h"
#include "folders_fixture.h"
#include "platform/menus.h"

namespace brisko::testing {
namespace {

using Strings = std::vector<std::wstring>;

class PickFolder : public FoldersTest {
protected:
    // The boxes shown since the last call, as "caption|style|text".
    Strings Boxes() {
        Strings out;
        for (const auto& b : platform.messageBoxes.shown()) {
            out.push_back(b.caption + L"|" + std::to_wstring(b.style) + L"|" + b.text);
        }
        platform.messageBoxes.ClearShown();
        return out;
    }
};

TEST_F(PickFolder, AcceptanceRulesInOrder) {
    // Mail and post folders stand for each other.
    auto* posts = host.AddFolder(mb.inbox, L"Posts", sim::ol::PostItem);
    EXPECT_TRUE(IsSupportedFolder(posts->Ref(), kKindMail, nullptr, true));
    EXPECT_TRUE(IsSupportedFolder(mb.alpha->Ref(), kKindPost, nullptr, true));
    EXPECT_TRUE(IsSupportedFolder(mb.calendar->Ref(), kKindAppointment, mb.inbox->Ref(), true));
    EXPECT_TRUE(Boxes().empty());

    EXPECT_FALSE(IsSupportedFolder(nullptr, kKindMail, nullptr, true));
    // The current folder is refused before its type is looked at.
    EXPECT_FALSE(IsSupportedFolder(mb.calendar->Ref(), kKindMail, mb.calendar->Ref(), true));
    EXPECT_FALSE(IsSupportedFolder(mb.calendar->Ref(), kKindMail, nullptr, true));
    EXPECT_FALSE(IsSupportedFolder(mb.inbox->Ref(), kKindAppointment, nullptr, true));
    EXPECT_FALSE(IsSupportedFolder(mb.inbox->Ref(), kKindTask, nullptr, true));
    EXPECT_FALSE(IsSupportedFolder(mb.inbox->Ref(), 2, nullptr, true));
    EXPECT_EQ(Boxes(), (Strings{L"Brisko|0|LID_MSGBOX_SEL_FOLDER", L"Brisko|0|LID_MSGBOX_SEL_OTHER_FOLDER",
                                L"Brisko|0|LID_MSGBOX_SEL_MAIL_FOLDER", L"Brisko|0|LID_MSGBOX_SEL_CALENDAR_FOLDER",
                                L"Brisko|0|LID_MSGBOX_SEL_TASK_FOLDER", L"Brisko|0|LID_MSGBOX_SEL_OTHER_FOLDER"}));
    // Without the flag nothing is shown.
    EXPECT_FALSE(IsSupportedFolder(mb.inbox->Ref(), kKindMail, mb.inbox->Ref(), false));
    EXPECT_FALSE(IsSupportedFolder(mb.inbox->Ref(), kKindTask, nullptr, false));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(Errors().empty());
    // A folder that vanished can't be judged: refused, logged.
    host.Vanish(posts);
    EXPECT_FALSE(IsSupportedFolder(posts->Ref(), kKindMail, nullptr, true));
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].rfind(L"mForms.IsSupportedFolder|", 0), 0u);
}

TEST_F(PickFolder, ThePickerOpensAgainUntilAFolderFits) {
    host.QueuePickFolderAnswer(mb.tasks);
    host.QueuePickFolderAnswer(mb.inbox);  // the mail's own folder
    host.QueuePickFolderAnswer(mb.alpha);
    const auto picked = ShowPickFolder(kKindMail, mb.inbox->Ref());
    EXPECT_EQ(picked.get(), mb.alpha);
    EXPECT_EQ(host.PickFolderCalls(), 3);
    EXPECT_EQ(Boxes(), (Strings{L"Brisko|0|LID_MSGBOX_SEL_MAIL_FOLDER", L"Brisko|0|LID_MSGBOX_SEL_OTHER_FOLDER"}));
    // Cancelled: nothing, silently.
    EXPECT_EQ(ShowPickFolder(kKindAppointment, nullptr), nullptr);
    EXPECT_TRUE(Boxes().empty());
    // A picker that fails: nothing, logged.
    host.FailMember(L"NameSpace.PickFolder", sim::err::OperationFailed, L"picker broken", 1);
    EXPECT_EQ(ShowPickFolder(kKindMail, nullptr), nullptr);
    EXPECT_EQ(Errors(), (Strings{L"mForms.ShowPickFolder|" + std::to_wstring(sim::err::OperationFailed) +
                                 L"|picker broken"}));
}

class RecentMenu : public PickFolder {
protected:
    void SetUp() override {
        PickFolder::SetUp();
        list = std::make_shared<CRecentFolders>();
        list->Init(ListName(L"Menu"));
    }
    const sim::SimPopupMenus::Menu& Shown(std::size_t i = 0) const {
        const auto& t = platform.menus.tracked().at(i);
        return t.menus.at(t.menu);
    }
    const sim::SimPopupMenus::Menu& SubMenu(std::size_t i = 0) const {
        const auto& t = platform.menus.tracked().at(i);
        const auto& main = t.menus.at(t.menu);
        return t.menus.at(main.items.back().id);
    }
    static Strings Items(const sim::SimPopupMenus::Menu& m) {
        Strings out;
        for (const auto& item : m.items) {
            if (item.flags & kMfSeparator) {
                out.push_back(L"----");
                continue;
            }
            std::wstring s = FromUtf8(item.caption) + L"|" +
                             ((item.flags & kMfPopup) ? std::wstring(L"popup") : std::to_wstring(item.id));
            if (item.flags & kMfGrayed) s += L"|disabled";
            if (m.defaultItem && !(item.flags & kMfPopup) && *m.defaultItem == item.id) s += L"|default";
            out.push_back(s);
        }
        return out;
    }
    std::shared_ptr<CRecentFolders> list;
};

TEST_F(RecentMenu, EntriesPickerAndTheSetDefaultSubmenu) {
    list->SetRecent(mb.projects->Ref());
    list->SetRecent(mb.archiveInbox->Ref());
    list->SetRecent(mb.invoices->Ref());
    platform.menus.QueueChoice(101);
    const auto chosen = ShowRecentFoldersMenu(0x1234, list, kKindMail, mb.inbox->Ref());
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen, list->Item(2));
    ASSERT_EQ(platform.menus.tracked().size(), 1u);
    EXPECT_EQ(platform.menus.tracked()[0].owner, 0x1234u);
    EXPECT_EQ(Items(Shown()), (Strings{L"&1 Inbox\\Projects LID_MENU_FOLDER_DEFAULT_POSTFIX|100|default",
                                       L"&2 Inbox\\Invoices|101", L"&3 \\\\Archive 2009\\Inbox|102",
                                       L"LID_MENU_PICK_FOLDER|1", L"----", L"LID_MENU_SET_DEFAULT_FOLDER|popup"}));
    // The submenu's ids start at MaxCount + 100; the default can't be chosen again.
    EXPECT_EQ(Items(SubMenu()), (Strings{L"&1 Inbox\\Projects LID_MENU_FOLDER_DEFAULT_POSTFIX|110|disabled|default",
                                         L"&2 Inbox\\Invoices|111", L"&3 \\\\Archive 2009\\Inbox|112"}));

    // The current folder is disabled; paths are refreshed from the host first.
    platform.menus.ClearTracked();
    mb.invoices->SetName(L"Bills");
    platform.menus.QueueChoice(112);
    EXPECT_EQ(ShowRecentFoldersMenu(0, list, kKindMail, mb.projects->Ref()), nullptr);
    EXPECT_EQ(Items(Shown())[0], L"&1 Inbox\\Projects LID_MENU_FOLDER_DEFAULT_POSTFIX|100|disabled|default");
    EXPECT_EQ(Items(Shown())[1], L"&2 Inbox\\Bills|101");
    // ... and the submenu's choice became the list's default.
    EXPECT_EQ(list->Item(1)->Path, L"\\\\Archive 2009\\Inbox");
    EXPECT_EQ(list->Count(), 3);
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

TEST_F(RecentMenu, PickerWhenNoEntryCanBeChosen) {
    // An empty list: no menu, the picker at once.
    host.QueuePickFolderAnswer(mb.alpha);
    auto record = ShowRecentFoldersMenu(0, list, kKindMail, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Path, L"\\\\Mailbox - Anna Berg\\Inbox\\Projects\\Alpha");
    EXPECT_EQ(record->EntryID, mb.alpha->EntryID());
    EXPECT_EQ(record->StoreID, mb.alpha->StoreID());
    EXPECT_EQ(list->Count(), 0);  // the caller records it
    EXPECT_TRUE(platform.menus.tracked().empty());
    // The only entry is the current folder: the same.
    list->SetRecent(mb.inbox->Ref());
    EXPECT_EQ(ShowRecentFoldersMenu(0, list, kKindMail, mb.inbox->Ref()), nullptr);
    EXPECT_TRUE(platform.menus.tracked().empty());
    EXPECT_EQ(host.PickFolderCalls(), 2);
    // Chosen from the menu: the picker, cancelled.
    list->SetRecent(mb.alpha->Ref());
    platform.menus.QueueChoice(1);
    EXPECT_EQ(ShowRecentFoldersMenu(0, list, kKindMail, mb.inbox->Ref()), nullptr);
    EXPECT_EQ(host.PickFolderCalls(), 3);
    // Dismissed.
    EXPECT_EQ(ShowRecentFoldersMenu(0, list, kKindMail, nullptr), nullptr);
    EXPECT_EQ(platform.menus.tracked().size(), 2u);
    EXPECT_EQ(host.PickFolderCalls(), 3);
    EXPECT_EQ(platform.menus.LiveMenus(), 0u);
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

TEST_F(RecentMenu, IdRangesStayApartAtCapacity) {
    PresetDword(list->RegName(), L"RecentFolders.MaxCount", 2);
    list->Init(list->RegName());
    list->SetRecent(mb.alpha->Ref());
    list->SetRecent(mb.beta->Ref());
    list->SetRecent(mb.projects->Ref());
    ASSERT_EQ(list->Count(), 2);
    platform.menus.QueueChoice(102);  // the submenu's first entry, just past the main entries
    EXPECT_EQ(ShowRecentFoldersMenu(0, list, kKindMail, nullptr), nullptr);
    EXPECT_EQ(Items(SubMenu())[0], L"&1 Inbox\\Projects\\Alpha LID_MENU_FOLDER_DEFAULT_POSTFIX|102|disabled|default");
    EXPECT_EQ(Items(Shown())[1], L"&2 Inbox\\Projects|101");
    EXPECT_TRUE(Errors().empty());
    // No list: logged, nothing returned.
    EXPECT_EQ(ShowRecentFoldersMenu(0, nullptr, kKindMail, nullptr), nullptr);
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].rfind(L"mForms.ShowRecentFoldersMenu|91|", 0), 0u);
}

}  // namespace
}  // namespace brisko::testing
