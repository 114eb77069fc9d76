// The Win32 implementations of the platform interfaces.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace brisko::win {

// Binds Torvik.dll by name with LoadLibrary and GetProcAddress; its exports are stdcall.
class WinTorvikLoader : public TorvikLoader {
public:
    explicit WinTorvikLoader(std::wstring libraryName = L"Torvik.dll") : name_(std::move(libraryName)) {}
    std::shared_ptr<TorvikLibrary> Load() override;

private:
    std::wstring name_;
};

class WinDesktop : public Desktop {
public:
    int ScreenWidth() override;
    int ScreenHeight() override;
    void MakeTopmost(std::uintptr_t window) override;
    void InitCommonControls() override;
};

class WinClock : public Clock {
public:
    WinClock();
    DateParts Now() override;
    double Random() override;

private:
    std::uint32_t seed_;
};

class WinCodePage : public CodePage {
public:
    std::string ToAnsi(std::wstring_view text) override;
    std::wstring FromAnsi(std::string_view text) override;
};

}  // namespace brisko::win
