// The Win32 platform over this program's resources (the add-in's images, linked in), COM, and an
// owner window whose menu loop is answered with scripted keys.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "automation/error.h"
#include "platform/platform.h"
#include "platform/win/win_menus.h"
#include "platform/win/win_pictures.h"
#include "platform/win/win_platform.h"

namespace brisko::testing {

class WinCommandsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Tracks the menu at the owner; the keys are posted when its loop first waits for input
    // (WM_ENTERIDLE). A loop that never goes idle is ended by a guard timer, so a failure
    // can't hang the run.
    template <class Menu>
    std::uint32_t TrackWith(Menu& menu, std::vector<WORD> keys) {
        ScriptKeys(std::move(keys));
        const auto chosen = menu.Track(reinterpret_cast<std::uintptr_t>(owner_));
        StopGuard();
        return chosen;
    }
    void ScriptKeys(std::vector<WORD> keys);
    void StopGuard();
    HWND owner() const noexcept { return owner_; }
    // How many menu loops asked for keys.
    int idles() const noexcept;

    template <class F>
    static std::wstring ErrorOf(F&& call) {
        try {
            call();
        } catch (const RuntimeError& e) {
            return std::to_wstring(e.number()) + L"|" + e.description();
        }
        return {};
    }

    win::WinCodePage codePage;
    win::WinPopupMenus menus;
    win::WinPictures pictures{reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))};

private:
    HWND owner_ = nullptr;
    bool com_ = false;
};

}  // namespace brisko::testing
