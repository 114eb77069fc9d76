#include "addin/host/CTorvik.h"

#include <cmath>

#include "automation/error.h"
#include "platform/platform.h"

namespace brisko {

namespace {

CodePage& Ansi() {
    auto* cp = CurrentPlatform().codePage;
    if (!cp) Raise(err::InternalError, L"No code page");
    return *cp;
}

Handles& PlatformHandles() {
    auto* h = CurrentPlatform().handles;
    if (!h) Raise(err::InternalError, L"No handles");
    return *h;
}

}  // namespace

TorvikLibrary& CTorvik::Library() {
    if (!library_) {
        auto* loader = CurrentPlatform().torvik;
        if (!loader) Raise(err::FileNotFound, L"File not found: Torvik.dll");
        library_ = loader->Load();
        if (!library_) Raise(err::FileNotFound, L"File not found: Torvik.dll");
    }
    return *library_;
}

void CTorvik::PrepareInitParams(TorvikInitParams& params, std::int32_t width, std::int32_t height) {
    params.Zero();
    params.SetU32(TorvikInitParams::kRecordSize, TorvikInitParams::kSize);
    params.SetU32(TorvikInitParams::kVersion, 1);
    params.SetU32(TorvikInitParams::kProductCode, 14);
    params.SetU32(TorvikInitParams::kField36, 1);
    if (width != 0 && height != 0) {
        auto* desktop = CurrentPlatform().desktop;
        const double sw = desktop ? desktop->ScreenWidth() : 0;
        const double sh = desktop ? desktop->ScreenHeight() : 0;
        // Centred; nearbyint rounds halves to even in the default rounding mode.
        rect_[0] = static_cast<std::int32_t>(std::nearbyint((sw - width) / 2.0));
        rect_[1] = static_cast<std::int32_t>(std::nearbyint((sh - height) / 2.0));
        rect_[2] = width;
        rect_[3] = height;
        params.SetU32(TorvikInitParams::kWindowRect, PlatformHandles().DataAddress(rect_.data()));
    }
}

std::int32_t CTorvik::InitEx(std::uint32_t client, TorvikInitParams& params) {
    client_ = client;
    return Library().InitEx(client_, params);
}

std::int32_t CTorvik::InitComplete() { return Library().InitComplete(client_); }

std::int32_t CTorvik::LogMsg(std::wstring_view message, std::int32_t errorNumber, std::wstring_view procedure,
                             std::int32_t level, std::int32_t detail) {
    auto& lib = Library();
    return lib.LogMsg(client_, Ansi().ToAnsi(message), errorNumber, Ansi().ToAnsi(procedure), level, detail);
}

std::int32_t CTorvik::AddAboutMenu(const ObjectPtr& commandBar) {
    auto& lib = Library();
    auto& handles = PlatformHandles();
    const auto ref = handles.RetainObject(commandBar);
    struct Release {
        Handles& h;
        std::uint32_t r;
        ~Release() { h.ReleaseObject(r); }
    } release{handles, ref};
    return lib.AddAboutMenu(client_, ref);
}

std::int32_t CTorvik::ShowAbout() { return Library().ShowAbout(client_); }

std::int32_t CTorvik::ShowContextHelp(std::wstring_view topic) {
    auto& lib = Library();
    return lib.ShowContextHelp(client_, Ansi().ToAnsi(topic));
}

}  // namespace brisko
