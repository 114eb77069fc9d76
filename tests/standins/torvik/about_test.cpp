// TorvikShowAbout: the box's texts from the callbacks, its place, keyboard, reuse and closing.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "resource.h"
#include "torvik_fixture.h"
#include "torvik_results.h"

namespace torvik::test {
namespace {

BSTR __stdcall NoStringLangId() { return reinterpret_cast<BSTR>(static_cast<std::uintptr_t>(0x10)); }

std::wstring TextOf(HWND w) {
    wchar_t text[512] = {};
    GetWindowTextW(w, text, 512);
    return text;
}

std::wstring ItemText(HWND box, int id) { return TextOf(GetDlgItem(box, id)); }

bool ItemVisible(HWND box, int id) { return IsWindowVisible(GetDlgItem(box, id)) != FALSE; }

class TorvikAbout : public TorvikTest {
protected:
    HWND OnlyBox() {
        const auto boxes = AboutBoxes();
        EXPECT_EQ(boxes.size(), 1u);
        return boxes.empty() ? nullptr : boxes[0];
    }
    void TearDown() override {
        TorvikTest::TearDown();
        EXPECT_TRUE(AboutBoxes().empty()) << "an About box outlived the library";
    }
};

TEST_F(TorvikAbout, ShowsTheVersionTextsTheCallbacksGive) {
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    HWND box = OnlyBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), L"About Torvik Test Client");
    EXPECT_EQ(ItemText(box, IDC_ABOUT_PRODUCT), L"Torvik Test Client\r\nVersion 1.2.3.4");
    EXPECT_EQ(ItemText(box, IDC_ABOUT_COMMENTS), L"Turns mail into tasks");
    EXPECT_EQ(ItemText(box, IDC_ABOUT_DESCRIPTION), L"Brisko for Outlook");
    EXPECT_EQ(ItemText(box, IDC_ABOUT_COPYRIGHT), L"Copyright (C) 2010 Brisko");
    EXPECT_EQ(ItemText(box, IDC_ABOUT_EMAIL), L"Registered to: user@example.com");
    EXPECT_EQ(ItemText(box, IDOK), L"OK");
    EXPECT_EQ(Callbacks().textsCalls, 1);
    EXPECT_EQ(Callbacks().emailCalls, 1);
    EXPECT_EQ(Callbacks().langCalls, 1);

    // Topmost, where the client's rectangle says.
    EXPECT_TRUE(GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT r;
    GetWindowRect(box, &r);
    EXPECT_EQ(r.left, 256);
    EXPECT_EQ(r.top, 192);
    EXPECT_EQ(r.right - r.left, 512);
    EXPECT_EQ(r.bottom - r.top, 384);
    // The OK button sits inside, at the bottom right.
    RECT ok;
    GetWindowRect(GetDlgItem(box, IDOK), &ok);
    EXPECT_GT(ok.left, r.left + 256);
    EXPECT_LT(ok.right, r.right);
    EXPECT_GT(ok.top, r.top + 192);
    EXPECT_LT(ok.bottom, r.bottom);

    SendMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(box));
}

TEST_F(TorvikAbout, SpeaksTheClientsLanguage) {
    Callbacks().langId = L"DE";
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    HWND box = OnlyBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), L"Info \u00FCber Torvik Test Client");
    EXPECT_EQ(ItemText(box, IDC_ABOUT_EMAIL), L"Registriert f\u00FCr: user@example.com");
    SendMessageW(box, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(box));
}

TEST_F(TorvikAbout, WithoutCallbacksItShowsTheVersionResourceAndCentres) {
    for (std::size_t offset : {40u, 56u, 60u, 64u}) record_.Set(offset, 0);
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    HWND box = OnlyBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), L"About Torvik Test Client");
    EXPECT_EQ(ItemText(box, IDC_ABOUT_COMMENTS), L"Version resource comments");
    EXPECT_EQ(ItemText(box, IDC_ABOUT_DESCRIPTION), L"Version resource description");
    EXPECT_EQ(ItemText(box, IDC_ABOUT_COPYRIGHT), L"Version resource copyright");
    EXPECT_FALSE(ItemVisible(box, IDC_ABOUT_EMAIL));
    EXPECT_TRUE(ItemVisible(box, IDC_ABOUT_COMMENTS));
    RECT r, work;
    GetWindowRect(box, &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((r.left + r.right) - (work.left + work.right)), 2);
    EXPECT_LE(std::abs((r.top + r.bottom) - (work.top + work.bottom)), 2);
    SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(box));
}

TEST_F(TorvikAbout, EmptyOrBrokenCallbackStringsFallBack) {
    Callbacks().texts = {L"", L"From the callback", L""};
    Callbacks().email = L"";
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    HWND box = OnlyBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ItemText(box, IDC_ABOUT_COMMENTS), L"Version resource comments");
    EXPECT_EQ(ItemText(box, IDC_ABOUT_DESCRIPTION), L"From the callback");
    EXPECT_FALSE(ItemVisible(box, IDC_ABOUT_EMAIL));
    SendMessageW(box, WM_COMMAND, IDOK, 0);

    // A callback answering an address that is no string.
    InitRecord broken;
    broken.SetAddress(60, reinterpret_cast<const void*>(&NoStringLangId));
    ASSERT_EQ(dll_->InitEx(Self(), broken.data()), kOk);
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    box = OnlyBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), L"About Torvik Test Client");
    SendMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(TorvikAbout, ASecondCallRaisesTheOpenBox) {
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    EXPECT_EQ(AboutBoxes().size(), 1u);
    EXPECT_EQ(Callbacks().textsCalls, 1);
    HWND box = OnlyBox();
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    // Closed, a new call opens a new one with fresh texts.
    Callbacks().texts[0] = L"Fresh";
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    box = OnlyBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ItemText(box, IDC_ABOUT_COMMENTS), L"Fresh");
    EXPECT_EQ(Callbacks().textsCalls, 2);
}

TEST_F(TorvikAbout, EscapeClosesItThroughTheHostsMessageLoop) {
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    HWND box = OnlyBox();
    ASSERT_NE(box, nullptr);
    HWND ok = GetDlgItem(box, IDOK);
    PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 1);
    PumpMessages();
    EXPECT_FALSE(IsWindow(box));
}

TEST_F(TorvikAbout, EachClientHasItsOwnBox) {
    HMODULE plain = LoadLibraryW((ProgramFolder() + L"\\torvik_plain_client.dll").c_str());
    ASSERT_NE(plain, nullptr);
    const auto other = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(plain));
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->InitEx(other, record_.data()), kOk);
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    ASSERT_EQ(dll_->ShowAbout(other), kOk);
    const auto boxes = AboutBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    std::vector<std::wstring> captions{TextOf(boxes[0]), TextOf(boxes[1])};
    std::sort(captions.begin(), captions.end());
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"About Torvik Test Client", L"About torvik_plain_client"}));
    // A re-init ends the client's session and closes its box; the other stays.
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(AboutBoxes().size(), 1u);
    EXPECT_EQ(TextOf(AboutBoxes()[0]), L"About torvik_plain_client");
    dll_->Unload();
    EXPECT_TRUE(AboutBoxes().empty());
    FreeLibrary(plain);
}

TEST_F(TorvikAbout, UnloadingTheLibraryClosesTheBox) {
    ASSERT_EQ(InitSelf(), kOk);
    ASSERT_EQ(dll_->ShowAbout(Self()), kOk);
    HWND box = OnlyBox();
    ASSERT_NE(box, nullptr);
    dll_->Unload();
    EXPECT_FALSE(IsWindow(box));
    PumpMessages();  // no message may reach code that is gone
}

}  // namespace
}  // namespace torvik::test
