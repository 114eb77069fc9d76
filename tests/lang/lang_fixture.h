// A simulated platform with the target's real files, a fresh folder as the add-in's folder, and
// the log as "procedure|number|message".
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_platform.h"
#ifdef _WIN32
#include "platform/win/win_platform.h"
#endif

namespace brisko::testing {

namespace fs = std::filesystem;

// Lines each ended by CR LF.
inline std::string CrLfLines(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

class LangTest : public ::testing::Test {
protected:
    void SetUp() override {
        ReleaseProcessObjects();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / "brisko-lang-tests" / (std::string(info->test_suite_name()) + "." + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        platform.moduleFolder = Folder();
        platform.Install();
#ifdef _WIN32
        // The system code page through MultiByteToWideChar (CP_ACP), as the add-in has it.
        auto p = CurrentPlatform();
        p.codePage = &systemCodePage_;
        SetPlatform(p);
#endif
    }
    void TearDown() override {
        ReleaseProcessObjects();
        Services() = DefaultServices();
        SetPlatform(Platform{});
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // The test's folder as the engine writes paths: native separators, no trailing one.
    std::wstring Folder() const { return dir_.wstring(); }
    std::wstring PathOf(const std::string& name) const { return Folder() + L"\\" + std::wstring(name.begin(), name.end()); }
    fs::path NativeOf(const std::string& name) const { return dir_ / name; }

    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(NativeOf(name), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string ReadBytes(const fs::path& path) const {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Moves the file's modification time by the given amount.
    void Touch(const std::string& name, std::chrono::seconds by) const {
        fs::last_write_time(NativeOf(name), fs::last_write_time(NativeOf(name)) + by);
    }

    std::vector<std::wstring> Records(std::int32_t level) const {
        std::vector<std::wstring> out;
        for (const auto& r : platform.torvik.log()) {
            if (r.level == level) out.push_back(r.procedure + L"|" + std::to_wstring(r.errorNumber) + L"|" + r.message);
        }
        return out;
    }
    std::vector<std::wstring> Errors() const { return Records(3); }
    std::vector<std::wstring> Warnings() const { return Records(2); }
    std::vector<std::wstring> Messages() const {
        std::vector<std::wstring> out;
        for (const auto& r : platform.torvik.log()) out.push_back(r.message);
        return out;
    }
    void ClearLog() { platform.torvik.Reset(); }

    static std::string Lines(std::initializer_list<std::string> lines) { return CrLfLines(lines); }

    sim::SimPlatform platform;

private:
    fs::path dir_;
#ifdef _WIN32
    win::WinCodePage systemCodePage_;
#endif
};

}  // namespace brisko::testing
