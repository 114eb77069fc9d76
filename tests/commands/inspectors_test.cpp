// Mail windows: their commands before Outlook 2007, the tracker's reports on every version.
#include <gtest/gtest.h>

#include "addin/tracking/CInspectorsWrapper.h"
#include "session_fixture.h"

namespace brisko::testing {
namespace {

constexpr const wchar_t* kTaskTip = L"Create a task from the selected e-mail";
constexpr const wchar_t* kFoldersTip = L"Move the selected e-mail to a recently used folder";

class RecordingInspectorsSink : public InspectorsEvents {
public:
    void OnNewInspector(const ObjectPtr& inspector) override { reported.push_back(inspector); }
    std::vector<ObjectPtr> reported;
};

TEST_F(SessionTest, AReceivedMailWindowGetsItsCommandsUntilItCloses) {
    Start(11);
    Recent(mb.beta);
    auto* inspector = host.OpenInspector(mb.inboxMails.at(0));
    host.ActivateInspector(inspector);
    auto* task = Find(inspector, L"Standard", kTaskTip);
    ASSERT_NE(task, nullptr);
    EXPECT_TRUE(task->visible && task->enabled);
    EXPECT_TRUE(task->beginGroup);
    EXPECT_EQ(task->Index() + 4, BuiltIn(inspector, L"Standard", 354)->Index());
    EXPECT_NE(Find(inspector, L"Standard", kFoldersTip + std::wstring(L"/1 Inbox\\Projects\\Beta (default)")), nullptr);
    EXPECT_NE(Find(inspector, L"Menu Bar", L"Actions/Quick Task"), nullptr);
    EXPECT_NE(Find(inspector, L"Menu Bar", L"Actions/Move to Folder/Other Folder..."), nullptr);
    // Activated again: nothing more.
    const auto count = CountAdded(Controls(inspector));
    host.DeactivateInspector(inspector);
    host.ActivateInspector(inspector);
    EXPECT_EQ(CountAdded(Controls(inspector)), count);

    ASSERT_TRUE(sim::Press(task));
    EXPECT_EQ(Forms().Count(), 1u);
    host.CloseInspector(inspector);
    EXPECT_EQ(CountAdded(Controls(inspector)), 0u) << ToUtf8(Controls(inspector));
    ExpectClean();
}

TEST_F(SessionTest, DraftsWordMailsAndUnsavedMailsGetNoCommands) {
    Start(11);
    auto* draft = host.OpenInspector(mb.draft);
    host.ActivateInspector(draft);
    auto* unsaved = host.OpenInspector(host.CreateItem(sim::ol::MailItem, mb.drafts));
    host.ActivateInspector(unsaved);
    host.SetDefaultEditorType(sim::ol::EditorWord);
    auto* word = host.OpenInspector(mb.inboxMails.at(1));
    host.ActivateInspector(word);
    auto* contact = host.OpenInspector(mb.task);
    host.ActivateInspector(contact);
    for (auto* w : {draft, unsaved, word, contact}) {
        EXPECT_EQ(CountAdded(Controls(w)), 0u) << ToUtf8(Controls(w));
    }
    ExpectClean();
}

TEST_F(SessionTest, MovingTheOpenMailClosesItsWindowSavedAndRemovesTheControls) {
    Start(10);
    Recent(mb.alpha);
    auto* mail = mb.inboxMails.at(0);
    auto* inspector = host.OpenInspector(mail);
    host.ActivateInspector(inspector);
    ASSERT_TRUE(Press(inspector, L"Standard", kFoldersTip + std::wstring(L"/1 Inbox\\Projects\\Alpha (default)")));
    EXPECT_EQ(mail->Folder(), mb.alpha);
    EXPECT_TRUE(host.OpenInspectors().empty());
    EXPECT_EQ(CountAdded(Controls(inspector)), 0u);
    // The icon button picks when the window's mail is in the default folder.
    auto* second = host.OpenInspector(mail);
    host.ActivateInspector(second);
    host.QueuePickFolderAnswer(mb.beta);
    ASSERT_TRUE(Press(second, L"Standard", L"Move the selected e-mail to ......"));
    EXPECT_EQ(mail->Folder(), mb.beta);
    EXPECT_EQ(CountAdded(Controls(second)), 0u);
    ExpectClean();
}

TEST_F(SessionTest, FromOutlook2007MailWindowsHaveNoBarsButTheRibbonIsRefreshed) {
    Start(12);
    auto* inspector = host.OpenInspector(mb.inboxMails.at(0));
    host.ActivateInspector(inspector);
    EXPECT_EQ(CountAdded(Controls(inspector)), 0u);
    ASSERT_NE(host.Ribbon().RibbonUI(), nullptr);
    const auto before = host.Ribbon().Invalidations();
    auto* second = host.OpenInspector(mb.inboxMails.at(1));
    EXPECT_GT(host.Ribbon().Invalidations(), before);
    EXPECT_TRUE(Records(2).empty());  // no wrapper, no assertion
    host.CloseInspector(second);
    host.CloseInspector(inspector);
    ExpectClean();
}

class InspectorTracker : public SurfacesTest {
protected:
    void Run(int major) {
        Use(major);
        auto tracker = std::make_shared<CInspectorsWrapper>();
        auto sink = std::make_shared<RecordingInspectorsSink>();
        tracker->SetEventSink(sink);
        tracker->Init(ObjectOf(g_oApplication, L"Inspectors"));
        for (int i = 0; i < 10; ++i) {
            auto* w = host.OpenInspector(mb.inboxMails.at(static_cast<std::size_t>(i % 4)));
            host.ActivateInspector(w);
            // At most the window just closed is still held.
            EXPECT_LE(tracker->WrapperCount(), 1u);
            EXPECT_EQ(tracker->WrapperCount(), major < 12 ? 1u : 0u);
            host.CloseInspector(w);
        }
        auto* contact = host.OpenInspector(mb.appointment);
        EXPECT_EQ(sink->reported.size(), 11u);
        EXPECT_EQ(sink->reported.back(), contact->Ref());
        EXPECT_EQ(tracker->WrapperCount(), 0u);
        host.CloseInspector(contact);
        tracker->Done();
        sink->reported.clear();
        host.OpenInspector(mb.inboxMails.at(0));
        EXPECT_TRUE(sink->reported.empty());
        tracker.reset();
        EXPECT_TRUE(Errors().empty()) << ErrorText();
    }
};

TEST_F(InspectorTracker, ReportsEveryWindowAndKeepsAtMostOneClosedWrapperOn2003) { Run(11); }
TEST_F(InspectorTracker, ReportsEveryWindowAndMakesNoWrapperOn2010) { Run(14); }

}  // namespace
}  // namespace brisko::testing
