#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "automation/error.h"
#include "platform/win/win_platform.h"

namespace brisko {
namespace {

std::string LastCall() {
    auto fn = reinterpret_cast<const char*(__stdcall*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"Torvik.dll"), "FakeTorvikLastCall")));
    return fn ? fn() : std::string("<not loaded>");
}

TEST(WinTorvikLoader, MissingLibraryRaisesFileNotFound) {
    win::WinTorvikLoader loader(L"NoSuchTorvik.dll");
    try {
        loader.Load();
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::FileNotFound);
        EXPECT_EQ(e.description(), L"File not found: NoSuchTorvik.dll");
    }
}

TEST(WinTorvikLoader, CallsTheStdcallExportsByName) {
    win::WinTorvikLoader loader;
    auto lib = loader.Load();
    TorvikInitParams p;
    p.SetU32(0, 180);
    p.SetU16(28, 0xFFFF);
    p.SetU32(176, 1);
    EXPECT_EQ(lib->InitEx(0x10000000, p), 5);
    EXPECT_EQ(LastCall(), "InitEx 268435456");
    auto record = reinterpret_cast<const std::uint8_t*(__stdcall*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"Torvik.dll"), "FakeTorvikRecord")))();
    EXPECT_EQ(0, std::memcmp(record, p.data(), TorvikInitParams::kSize));
    lib->LogMsg(7, "Torvik.InitEx returned 5", 0, "Connect.IDTExtensibility2_OnConnection", 3, 1);
    EXPECT_EQ(LastCall(), "LogMsg 7 Torvik.InitEx returned 5 0 Connect.IDTExtensibility2_OnConnection 3 1");
    EXPECT_EQ(lib->AddAboutMenu(7, 1234), 1);
    EXPECT_EQ(lib->InitComplete(7), 0);
    EXPECT_EQ(LastCall(), "InitComplete 7");
    // An export the library lacks raises 453 at its call.
    try {
        lib->ShowAbout(7);
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::EntryPointNotFound);
        EXPECT_EQ(e.description(), L"Can't find DLL entry point TorvikShowAbout in Torvik.dll");
    }
}

TEST(WinPlatform, CodePageAndDesktop) {
    win::WinCodePage cp;
    EXPECT_EQ(cp.FromAnsi(cp.ToAnsi(L"Caf\u00E9")), L"Caf\u00E9");
    win::WinDesktop d;
    EXPECT_GT(d.ScreenWidth(), 0);
    EXPECT_GT(d.ScreenHeight(), 0);
    win::WinClock c;
    const auto now = c.Now();
    EXPECT_GE(now.year, 2020);
    const double r = c.Random();
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, 1.0);
}

}  // namespace
}  // namespace brisko
