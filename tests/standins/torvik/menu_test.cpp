// TorvikAddAboutMenu against a small command bar model: one entry per bar and client, its Click,
// failures, no reference to the host's objects kept, and the library pinned once a sink is out.
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

// Shows the About box through a click on the button and closes it again; false when none opened.
bool ClickShowsAboutBox(FakeButton* button) {
    EXPECT_EQ(FindAboutBox(), nullptr);
    EXPECT_EQ(button->point.Click(), S_OK);
    HWND box = FindAboutBox();
    if (!box) return false;
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    PumpMessages();
    return true;
}

std::wstring TagOfSelf(std::uint32_t client) {
    wchar_t tag[40];
    wsprintfW(tag, L"Torvik.About.%08X", client);
    return tag;
}

class TorvikMenu : public TorvikTest {
protected:
    void SetUp() override {
        TorvikTest::SetUp();
        // A copy of the library for each test: once it handed out a click sink it stays loaded.
        static int copies = 0;
        const std::wstring name = L"Torvik.menu-" + std::to_wstring(++copies) + L".dll";
        copy_ = ProgramFolder() + L"\\" + name;
        dll_.reset();
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\Torvik.dll").c_str(), copy_.c_str(), FALSE));
        dll_.emplace(name);
        ASSERT_TRUE(dll_->Loaded());
        bar_ = new FakeMenuBar(true);
    }
    void TearDown() override {
        TorvikTest::TearDown();
        // Nothing of the host is referenced by the library, whether it stayed loaded or not.
        EXPECT_EQ(bar_->refs(), 1);
        EXPECT_EQ(bar_->controls->refs(), 1);
        for (auto* b : bar_->controls->buttons) EXPECT_EQ(b->refs(), 1);
        bar_->Release();  // the buttons let go of the sinks they hold
        if (!StillLoaded()) DeleteFileW(copy_.c_str());
    }
    FakeButton* Button(std::size_t i) { return bar_->controls->buttons.at(i); }
    bool StillLoaded() const { return GetModuleHandleW(copy_.c_str()) != nullptr; }

    FakeMenuBar* bar_ = nullptr;
    std::wstring copy_;
};

TEST_F(TorvikMenu, AddsATemporaryButtonWhoseClickShowsTheAboutBoxAndKeepsNothingOfTheHost) {
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    // The bar is asked for the client's entry first.
    EXPECT_EQ(bar_->findTypes, (std::vector<VARTYPE>{VT_ERROR, VT_ERROR, VT_BSTR}));
    EXPECT_EQ(bar_->findTags, (std::vector<std::wstring>{TagOfSelf(Self())}));
    ASSERT_EQ(bar_->controls->buttons.size(), 1u);
    EXPECT_EQ(bar_->controls->addType, 1);
    EXPECT_TRUE(bar_->controls->addTemporary);
    EXPECT_EQ(bar_->controls->addTypes,
              (std::vector<VARTYPE>{VT_I4, VT_ERROR, VT_ERROR, VT_ERROR, VT_BOOL}));
    FakeButton* button = Button(0);
    EXPECT_EQ(button->caption, L"&About Torvik Test Client...");
    EXPECT_EQ(button->tag, TagOfSelf(Self()));
    EXPECT_EQ(button->point.advises, 1);
    ASSERT_NE(button->point.sink, nullptr);
    EXPECT_TRUE(button->point.sinkAnswersEvents);
    // Neither the bar, its controls, the button nor its connection point are kept.
    EXPECT_EQ(bar_->refs(), 1);
    EXPECT_EQ(bar_->controls->refs(), 1);
    EXPECT_EQ(button->refs(), 1);

    EXPECT_TRUE(ClickShowsAboutBox(button));
    EXPECT_EQ(Callbacks().textsCalls, 1);

    // The host still holds the sink: the library stays loaded and the entry keeps working.
    dll_->Unload();
    EXPECT_TRUE(StillLoaded());
    EXPECT_EQ(button->deletes, 0);
    EXPECT_EQ(button->point.unadvises, 0);
    EXPECT_TRUE(ClickShowsAboutBox(button));
}

TEST_F(TorvikMenu, TheCaptionFollowsTheClientsLanguage) {
    Callbacks().langId = L"DE";
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    EXPECT_EQ(Button(0)->caption, L"&Info \u00FCber Torvik Test Client...");
}

TEST_F(TorvikMenu, OneEntryPerBarAndClient) {
    auto* other = new FakeMenuBar(true);
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), other->handle()), kOk);
    // A second call on a bar that has the entry adds nothing and succeeds.
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    EXPECT_EQ(bar_->findTags.size(), 2u);
    ASSERT_EQ(bar_->controls->buttons.size(), 1u);
    ASSERT_EQ(other->controls->buttons.size(), 1u);
    FakeButton* second = other->controls->buttons[0];
    for (auto* b : {Button(0), second}) {
        EXPECT_EQ(b->deletes, 0);
        EXPECT_EQ(b->point.advises, 1);
        EXPECT_NE(b->point.sink, nullptr);
        EXPECT_EQ(b->refs(), 1);
    }
    EXPECT_TRUE(ClickShowsAboutBox(Button(0)));
    EXPECT_TRUE(ClickShowsAboutBox(second));
    EXPECT_EQ(other->refs(), 1);
    EXPECT_EQ(other->controls->refs(), 1);
    other->Release();
}

TEST_F(TorvikMenu, AReInitKeepsTheEntryAndItServesTheNewSession) {
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    ASSERT_EQ(bar_->controls->buttons.size(), 1u);
    EXPECT_EQ(Button(0)->deletes, 0);
    EXPECT_TRUE(ClickShowsAboutBox(Button(0)));
}

TEST_F(TorvikMenu, ABarWithoutControlsFailsAndTheAddinMayRetry) {
    auto* notABar = new FakeMenuBar(false);
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->AddAboutMenu(Self(), notABar->handle()), kHostCallFailed);
    EXPECT_EQ(notABar->refs(), 1);
    notABar->Release();
    // The next update offers a real bar.
    EXPECT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    EXPECT_EQ(bar_->controls->buttons.size(), 1u);
}

TEST_F(TorvikMenu, AFailingHostCallLeavesNothingOnTheBar) {
    ASSERT_EQ(InitSelf(), kOk);
    bar_->failFind = true;
    EXPECT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kHostCallFailed);
    EXPECT_TRUE(bar_->controls->buttons.empty());
    bar_->failFind = false;
    // Failures after Add take the button away again.
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
    // A deleted button is no entry: the next call adds one.
    bar_->controls->failAdviseOfNew = false;
    EXPECT_EQ(dll_->AddAboutMenu(Self(), bar_->handle()), kOk);
    EXPECT_EQ(bar_->controls->buttons.size(), 4u);
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
    EXPECT_TRUE(bar_->findTags.empty());
    // No sink was handed out: the library can be unloaded.
    dll_->Unload();
    EXPECT_FALSE(StillLoaded());
}

TEST_F(TorvikMenu, AClickAfterTheClientsModuleIsGoneDoesNothing) {
    HMODULE plain = LoadLibraryW((ProgramFolder() + L"\\torvik_plain_client.dll").c_str());
    ASSERT_NE(plain, nullptr);
    const auto other = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(plain));
    ASSERT_EQ(dll_->InitEx(other, record_.data()), kOk);
    ASSERT_EQ(dll_->AddAboutMenu(other, bar_->handle()), kOk);
    EXPECT_EQ(Button(0)->tag, TagOfSelf(other));
    FreeLibrary(plain);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Button(0)->point.Click(), S_OK);
        EXPECT_EQ(FindAboutBox(), nullptr);
    }
    EXPECT_EQ(Callbacks().textsCalls, 0);
    // The inert entry stays with the host, which holds its sink.
    EXPECT_EQ(Button(0)->deletes, 0);
    EXPECT_NE(Button(0)->point.sink, nullptr);
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
    // Its bar has the entry now.
    ASSERT_EQ(dll_->AddAboutMenu(Self(), explorer->handle()), kOk);
    EXPECT_EQ(bar_->controls->buttons.size(), 1u);
    EXPECT_TRUE(ClickShowsAboutBox(Button(0)));
    explorer->Release();
}

}  // namespace
}  // namespace torvik::test
