// TorvikAddAboutMenu against a small command bar model: the button, its Click, failures, and
// every reference given back.
#include "fake_command_bar.h"
#include "resource.h"
#include "torvik_fixture.h"
#include "torvik_results.h"

namespace torvik::test {
namespace {

HWND FindAboutBox() {
    const auto boxes = AboutBoxes();
    return boxes.empty() ? nullptr : boxes[0];
}

class TorvikMenu : public TorvikTest {
protected:
    void SetUp() override {
        TorvikTest::SetUp();
        bar_ = new FakeMenuBar(true);
    }
    void TearDown() override {
        TorvikTest::TearDown();
        // The library is gone: nothing of the host may still be referenced by it.
        EXPECT_EQ(bar_->refs(), 1);
        EXPECT_EQ(bar_->controls->refs(), 1);
        for (auto* b : bar_->controls->buttons) {
            EXPECT_EQ(b->refs(), 1);
            EXPECT_EQ(b->point.sink, nullptr);
        }
        bar_->Release();
    }
    FakeButton* Button(std::size_t i) { return bar_->controls->buttons.at(i); }

    FakeMenuBar* bar_ = nullptr;
};

TEST_F(TorvikMenu, AddsATemporaryButtonWhoseClickShowsTheAboutBox) {
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    ASSERT_EQ(bar_->controls->buttons.size(), 1u);
    EXPECT_EQ(bar_->controls->addType, 1);
    EXPECT_TRUE(bar_->controls->addTemporary);
    EXPECT_EQ(bar_->controls->addTypes,
              (std::vector<VARTYPE>{VT_I4, VT_ERROR, VT_ERROR, VT_ERROR, VT_BOOL}));
    FakeButton* button = Button(0);
    EXPECT_EQ(button->caption, L"&About Torvik Test Client...");
    wchar_t tag[40];
    wsprintfW(tag, L"Torvik.About.%08X", Self());
    EXPECT_EQ(button->tag, tag);
    EXPECT_EQ(button->point.advises, 1);
    ASSERT_NE(button->point.sink, nullptr);
    EXPECT_TRUE(button->point.sinkAnswersEvents);
    // The bar and its controls are not kept; the button is.
    EXPECT_EQ(bar_->refs(), 1);
    EXPECT_EQ(bar_->controls->refs(), 1);
    EXPECT_GT(button->refs(), 1);

    EXPECT_EQ(FindAboutBox(), nullptr);
    EXPECT_EQ(button->point.Click(), S_OK);
    HWND box = FindAboutBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Callbacks().textsCalls, 1);
    SendMessageW(box, WM_COMMAND, IDOK, 0);

    dll_->Unload();
    EXPECT_EQ(button->point.unadvises, 1);
    EXPECT_EQ(button->deletes, 1);
}

TEST_F(TorvikMenu, TheCaptionFollowsTheClientsLanguage) {
    Callbacks().langId = L"DE";
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    EXPECT_EQ(Button(0)->caption, L"&Info \u00FCber Torvik Test Client...");
}

TEST_F(TorvikMenu, AReInitRemovesTheEntry) {
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(Button(0)->point.unadvises, 1);
    EXPECT_EQ(Button(0)->deletes, 1);
    EXPECT_EQ(Button(0)->refs(), 1);
}

TEST_F(TorvikMenu, ANewEntryReplacesTheClientsEarlierOne) {
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    ASSERT_EQ(bar_->controls->buttons.size(), 2u);
    EXPECT_EQ(Button(0)->deletes, 1);
    EXPECT_EQ(Button(0)->point.sink, nullptr);
    EXPECT_EQ(Button(1)->deletes, 0);
    EXPECT_NE(Button(1)->point.sink, nullptr);
}

TEST_F(TorvikMenu, ABarWithoutControlsFailsAndTheAddinMayRetry) {
    auto* notABar = new FakeMenuBar(false);
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->AddAboutMenu(Self(), notABar->handle()), kHostCallFailed);
    EXPECT_EQ(notABar->refs(), 1);
    notABar->Release();
    // The next update offers a real bar.
    EXPECT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
}

TEST_F(TorvikMenu, AFailureAfterAddTakesTheButtonAwayAgain) {
    ASSERT_EQ(InitSelf(), kOk);
    bar_->controls->failCaptionOfNew = true;
    EXPECT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kHostCallFailed);
    bar_->controls->failCaptionOfNew = false;
    bar_->controls->noEventsOfNew = true;
    EXPECT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kHostCallFailed);
    bar_->controls->noEventsOfNew = false;
    bar_->controls->failAdviseOfNew = true;
    EXPECT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kHostCallFailed);
    ASSERT_EQ(bar_->controls->buttons.size(), 3u);
    for (auto* b : bar_->controls->buttons) {
        EXPECT_EQ(b->deletes, 1);
        EXPECT_EQ(b->refs(), 1);
        EXPECT_EQ(b->point.sink, nullptr);
    }
    EXPECT_EQ(Button(2)->point.advises, 1);
}

TEST_F(TorvikMenu, RefusesWhatIsNoObjectAndWorksOnlyAfterInit) {
    EXPECT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kNotInitialised);
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->AddAboutMenu(Self(), 0), kBadArgument);
    EXPECT_EQ(dll_->AddAboutMenu(Self(), 0x10), kBadArgument);
    const int data[8] = {};
    EXPECT_EQ(dll_->AddAboutMenu(Self(), static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data))),
              kBadArgument);
    EXPECT_TRUE(bar_->controls->buttons.empty());
}

TEST_F(TorvikMenu, AClickAfterTheClientsModuleIsGoneDoesNothing) {
    HMODULE plain = LoadLibraryW((ProgramFolder() + L"\\torvik_plain_client.dll").c_str());
    ASSERT_NE(plain, nullptr);
    const auto other = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(plain));
    ASSERT_EQ(dll_->InitEx(other, record_.data()), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(other, bar_->handle()), kOk);
    FreeLibrary(plain);
    EXPECT_EQ(Button(0)->point.Click(), S_OK);
    EXPECT_EQ(FindAboutBox(), nullptr);
    EXPECT_EQ(Callbacks().textsCalls, 0);
    // Its entry went with it.
    EXPECT_EQ(Button(0)->deletes, 1);
    EXPECT_EQ(Button(0)->point.sink, nullptr);
}

TEST_F(TorvikMenu, AnExplorerStandsForItsMenuBar) {
    ASSERT_EQ(InitSelf(), kOk);
    auto* explorer = new FakeExplorer(bar_);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), explorer->handle()), kOk);
    EXPECT_EQ(explorer->bars->asked, (std::vector<std::wstring>{L"Menu Bar"}));
    ASSERT_EQ(bar_->controls->buttons.size(), 1u);
    EXPECT_EQ(Button(0)->caption, L"&About Torvik Test Client...");
    // Neither the explorer nor its bars are kept.
    EXPECT_EQ(explorer->refs(), 1);
    EXPECT_EQ(explorer->bars->refs(), 1);
    dll_->Unload();
    EXPECT_EQ(Button(0)->deletes, 1);
    explorer->Release();
}

}  // namespace
}  // namespace torvik::test
