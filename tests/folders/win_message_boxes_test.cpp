// The add-in's message boxes through user32 under Wine: a helper thread answers the box as a
// user would, by clicking one of its buttons.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "addin/dialogs/msgbox.h"
#include "addin/host/globals.h"
#include "platform/platform.h"
#include "platform/ui.h"
#include "platform/win/win_message_boxes.h"

namespace brisko {
namespace {

struct Seen {
    std::wstring caption;
    std::wstring text;
    bool hasNo = false;
};

// Waits for a dialog with the caption, records it and clicks the button; gives up after a while
// (the box then stays until the test's own timeout).
std::thread Answer(const std::wstring& caption, int button, Seen& seen, std::atomic<bool>& found) {
    return std::thread([caption, button, &seen, &found] {
        for (int i = 0; i < 500 && !found; ++i) {
            if (HWND box = FindWindowW(L"#32770", caption.c_str())) {
                wchar_t text[256] = {};
                // The message is the static control with id 0xFFFF.
                GetDlgItemTextW(box, 0xFFFF, text, 256);
                seen.caption = caption;
                seen.text = text;
                seen.hasNo = GetDlgItem(box, IDNO) != nullptr;
                found = true;
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                return;
            }
            Sleep(20);
        }
    });
}

TEST(WinMessageBoxes, ShowsTheTextAndReturnsTheButton) {
    win::WinMessageBoxes boxes;
    Seen seen;
    std::atomic<bool> found{false};
    auto t = Answer(L"Brisko test OK", IDOK, seen, found);
    EXPECT_EQ(boxes.Show(L"Please choose a folder.", kMbOk, L"Brisko test OK"), kIdOk);
    t.join();
    ASSERT_TRUE(found);
    EXPECT_EQ(seen.text, L"Please choose a folder.");
    EXPECT_FALSE(seen.hasNo);

    Seen seen2;
    std::atomic<bool> found2{false};
    auto t2 = Answer(L"Brisko test YesNo", IDNO, seen2, found2);
    EXPECT_EQ(boxes.Show(L"Folder \"X\" not found. Choose another?", kMbYesNo | kMbIconExclamation,
                         L"Brisko test YesNo"),
              kIdNo);
    t2.join();
    ASSERT_TRUE(found2);
    EXPECT_TRUE(seen2.hasNo);
}

// The add-in's helper: the caption is the add-in's name.
TEST(WinMessageBoxes, TheAddinsBoxesCarryItsName) {
    win::WinMessageBoxes boxes;
    Platform p;
    p.messageBoxes = &boxes;
    SetPlatform(p);
    Seen seen;
    std::atomic<bool> found{false};
    auto t = Answer(L"Brisko", IDOK, seen, found);
    EXPECT_EQ(AddinMsgBox(L"LID_MSGBOX_SEL_FOLDER"), kIdOk);
    t.join();
    EXPECT_TRUE(found);
    EXPECT_EQ(seen.text, L"LID_MSGBOX_SEL_FOLDER");
    ReleaseProcessObjects();
    SetPlatform(Platform{});
}

}  // namespace
}  // namespace brisko
