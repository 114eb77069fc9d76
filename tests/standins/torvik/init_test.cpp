// TorvikInitEx and TorvikInitComplete: the record, client handles, calls before and after init.
#include <cstring>

#include "torvik_fixture.h"
#include "torvik_results.h"

namespace torvik::test {
namespace {

class TorvikInit : public TorvikTest {};

const int kNotCode[4] = {1, 2, 3, 4};  // data, not code

TEST_F(TorvikInit, TakesTheRecordTheAddinBuildsAndMarksCompletion) {
    EXPECT_EQ(dll_->InitComplete(Self()), kNotInitialised);
    EXPECT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->InitComplete(Self()), kOk);
    // The callbacks are the library's to call later; InitEx calls none.
    EXPECT_EQ(Callbacks().langCalls + Callbacks().emailCalls + Callbacks().textsCalls, 0);
    const auto lines = ReadLog(SelfLog());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, "INFO");
    EXPECT_EQ(lines[0].procedure, "Torvik.InitComplete");
    EXPECT_EQ(lines[0].message, "Initialisation complete: Torvik Test Client 1.2.3.4, debug level 0");
}

TEST_F(TorvikInit, KeepsCopiesNotTheRecord) {
    InitRecord record;
    ASSERT_EQ(dll_->InitEx(Self(), record.data()), kOk);
    record.bytes.fill(0xCC);  // the record lived only during the call
    record.rect = {-1, -1, -1, -1};
    EXPECT_EQ(dll_->InitComplete(Self()), kOk);
    EXPECT_EQ(dll_->ShowAbout(Self()), kOk);
    EXPECT_EQ(Callbacks().textsCalls, 1);
    dll_->Unload();  // closes the box
}

TEST_F(TorvikInit, RefusesBadRecordsAndLogsWhy) {
    EXPECT_EQ(dll_->InitEx(Self(), nullptr), kBadRecord);
    EXPECT_EQ(dll_->InitEx(Self(), reinterpret_cast<const void*>(0x10)), kBadRecord);

    InitRecord small;
    small.Set(0, 100);
    EXPECT_EQ(dll_->InitEx(Self(), small.data()), kBadRecordSize);
    small.Set(0, 0);
    EXPECT_EQ(dll_->InitEx(Self(), small.data()), kBadRecordSize);

    // A record whose size field says 180 but whose memory ends after 100 bytes.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    auto* block = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 2 * info.dwPageSize, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(block, nullptr);
    ASSERT_NE(VirtualAlloc(block, info.dwPageSize, MEM_COMMIT, PAGE_READWRITE), nullptr);
    std::uint8_t* shortRecord = block + info.dwPageSize - 100;
    std::memcpy(shortRecord, record_.data(), 100);
    EXPECT_EQ(dll_->InitEx(Self(), shortRecord), kBadRecord);
    VirtualFree(block, 0, MEM_RELEASE);

    for (std::size_t offset : {40u, 60u, 64u}) {
        InitRecord r;
        r.Set(offset, 0x10);
        EXPECT_EQ(dll_->InitEx(Self(), r.data()), kBadRecordAddress) << offset;
        r.SetAddress(offset, kNotCode);
        EXPECT_EQ(dll_->InitEx(Self(), r.data()), kBadRecordAddress) << offset;
    }
    InitRecord badRect;
    badRect.Set(56, 0x10);
    EXPECT_EQ(dll_->InitEx(Self(), badRect.data()), kBadRecordAddress);

    // None of them left the client initialised.
    EXPECT_EQ(dll_->InitComplete(Self()), kNotInitialised);
    EXPECT_EQ(dll_->ShowAbout(Self()), kNotInitialised);

    const auto lines = ReadLog(SelfLog());
    ASSERT_EQ(lines.size(), 12u);
    for (const auto& l : lines) {
        EXPECT_EQ(l.level, "WARNING");
        EXPECT_EQ(l.procedure, "Torvik.InitEx");
    }
    EXPECT_EQ(lines[0].number, "2");
    EXPECT_EQ(lines[0].message, "No init record");
    EXPECT_EQ(lines[2].number, "3");
    EXPECT_EQ(lines[2].message, "Init record size 100, expected 180");
    EXPECT_EQ(lines[4].message, "Init record unreadable");
    EXPECT_EQ(lines[5].number, "4");
    EXPECT_EQ(lines[5].message, "Callback at offset 40 is not code");
    EXPECT_EQ(lines[11].message, "Window rectangle unreadable");
}

TEST_F(TorvikInit, CallbacksAndRectangleMayBeAbsent) {
    InitRecord r;
    for (std::size_t offset : {40u, 56u, 60u, 64u}) r.Set(offset, 0);
    EXPECT_EQ(dll_->InitEx(Self(), r.data()), kOk);
    EXPECT_EQ(dll_->InitComplete(Self()), kOk);
}

TEST_F(TorvikInit, EveryExportRefusesAHandleThatIsNoModule) {
    HMODULE plain = LoadLibraryW((ProgramFolder() + L"\\torvik_plain_client.dll").c_str());
    ASSERT_NE(plain, nullptr);
    const auto unloaded = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(plain));
    EXPECT_EQ(dll_->LogMsg(unloaded, "m", 0, "p", 3, 1), kOk);
    FreeLibrary(plain);

    for (std::uint32_t client : {0u, 0x1234u, unloaded}) {
        EXPECT_EQ(dll_->InitEx(client, record_.data()), kInvalidClient) << client;
        EXPECT_EQ(dll_->InitComplete(client), kInvalidClient);
        EXPECT_EQ(dll_->LogMsg(client, "m", 0, "p", 3, 1), kInvalidClient);
        EXPECT_EQ(dll_->AddAboutMenu(client, 0), kInvalidClient);
        EXPECT_EQ(dll_->ShowAbout(client), kInvalidClient);
        EXPECT_EQ(dll_->ShowContextHelp(client, ""), kInvalidClient);
        EXPECT_EQ(dll_->LogFile(client), L"");
    }
}

TEST_F(TorvikInit, LoggingAndHelpNeedNoInitButTheRestDoes) {
    EXPECT_EQ(dll_->LogMsg(Self(), "before init", 0, "Connect.Init", 3, 1), kOk);
    EXPECT_EQ(dll_->InitComplete(Self()), kNotInitialised);
    EXPECT_EQ(dll_->ShowAbout(Self()), kNotInitialised);
    EXPECT_EQ(dll_->AddAboutMenu(Self(), 0), kNotInitialised);
    EXPECT_EQ(ReadLog(SelfLog()).size(), 1u);
}

TEST_F(TorvikInit, UnreadableStringsAreRefusedNotRead) {
    const auto* bad = reinterpret_cast<const char*>(0x10);
    EXPECT_EQ(dll_->LogMsg(Self(), bad, 0, "p", 3, 1), kBadArgument);
    EXPECT_EQ(dll_->LogMsg(Self(), "m", 0, bad, 3, 1), kBadArgument);
    EXPECT_EQ(dll_->ShowContextHelp(Self(), bad), kBadArgument);
    // Null strings are empty ones.
    EXPECT_EQ(dll_->LogMsg(Self(), nullptr, 5, nullptr, 3, 1), kOk);
    const auto lines = ReadLog(SelfLog());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].number, "5");
    EXPECT_EQ(lines[0].procedure, "");
    EXPECT_EQ(lines[0].message, "");
}

}  // namespace
}  // namespace torvik::test
