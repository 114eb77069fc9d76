// Tests of an in-process COM server DLL beside the test program under Wine: the single-threaded
// apartment of the test program, regsvr32, and values read from HKEY_CLASSES_ROOT.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

namespace test_support {

class Apartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
};
[[maybe_unused]] inline ::testing::Environment* const kApartment =
    ::testing::AddGlobalTestEnvironment(new Apartment);

// The file of that name beside this program.
inline std::wstring BesideProgram(const wchar_t* file) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/") + 1) + file;
}

// regsvr32's exit code for the library (0: done).
inline DWORD RunRegsvr32(const std::wstring& args, const std::wstring& library) {
    std::wstring command = L"regsvr32.exe " + args + L" \"" + library + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

// A string value of HKEY_CLASSES_ROOT\sub; "(none)" when there is none.
inline std::wstring ReadString(const std::wstring& sub, const wchar_t* name = nullptr) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, sub.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return L"(none)";
    }
    return value;
}

// A suite over the server library `File` beside the program: registered once for the suite,
// unregistered at its end.
template <const wchar_t* File>
class RegisteredServer : public ::testing::Test {
protected:
    static std::wstring LibraryPath() { return BesideProgram(File); }
    static DWORD RunRegsvr32(const std::wstring& args) { return test_support::RunRegsvr32(args, LibraryPath()); }

    static void SetUpTestSuite() { ASSERT_EQ(RunRegsvr32(L"/s"), 0u); }
    static void TearDownTestSuite() { RunRegsvr32(L"/u /s"); }
};

}  // namespace test_support
