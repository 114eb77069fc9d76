// The libraries' version resources carry the project's version (BRISKO_TEST_PROJECT_VERSION, from
// project(Brisko VERSION ...)), and the About box's module information reads it from Brisko.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "module_info.h"

namespace {

std::wstring Beside(const wchar_t* file) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/")) + L"\\mine\\" + file;
}

// "1.2.3" as 1,2,3,0.
std::vector<unsigned> Parts(std::wstring text) {
    std::vector<unsigned> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t dot = text.find(L'.', start);
        parts.push_back(static_cast<unsigned>(std::stoul(text.substr(start, dot - start))));
        if (dot == std::wstring::npos) break;
        start = dot + 1;
    }
    parts.resize(4, 0);
    return parts;
}

struct VersionResource {
    std::vector<std::uint8_t> data;
    explicit VersionResource(const std::wstring& path) {
        DWORD ignored = 0;
        data.resize(GetFileVersionInfoSizeW(path.c_str(), &ignored));
        if (data.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
            data.clear();
    }
    std::wstring Text(const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (data.empty() || !VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars) || !value)
            return L"(none)";
        std::wstring s(value, chars);
        while (!s.empty() && s.back() == L'\0') s.pop_back();
        return s;
    }
    std::vector<unsigned> Fixed(bool product) {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT bytes = 0;
        if (data.empty() || !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &bytes) || !fixed)
            return {};
        const DWORD ms = product ? fixed->dwProductVersionMS : fixed->dwFileVersionMS;
        const DWORD ls = product ? fixed->dwProductVersionLS : fixed->dwFileVersionLS;
        return {HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls)};
    }
};

TEST(Version, EveryLibraryCarriesTheProjectVersion) {
    const std::vector<unsigned> expected = Parts(BRISKO_TEST_PROJECT_VERSION);
    for (const wchar_t* file : {L"Brisko.dll", L"Kelvane.dll", L"Torvik.dll", L"Grelmo.dll", L"RedemptionStandIn.dll"}) {
        SCOPED_TRACE(file);
        VersionResource resource(Beside(file));
        ASSERT_FALSE(resource.data.empty()) << "no version resource";
        EXPECT_EQ(resource.Fixed(false), expected);
        EXPECT_EQ(resource.Fixed(true), expected);
        EXPECT_EQ(resource.Text(L"FileVersion"), BRISKO_TEST_PROJECT_VERSION);
        EXPECT_EQ(resource.Text(L"ProductVersion"), BRISKO_TEST_PROJECT_VERSION);
    }
}

// What the support library's About box shows for the add-in: "Brisko" and "Version <project version>".
TEST(Version, TheAboutBoxReadsTheProjectVersionFromBriskoDll) {
    HMODULE loaded = LoadLibraryW(Beside(L"Brisko.dll").c_str());
    ASSERT_TRUE(loaded);
    torvik::ModuleInfo info;
    ASSERT_TRUE(torvik::ReadModuleInfo(loaded, info));
    EXPECT_EQ(info.product, L"Brisko");
    EXPECT_EQ(info.version, BRISKO_TEST_PROJECT_VERSION);
    FreeLibrary(loaded);
}

}  // namespace
