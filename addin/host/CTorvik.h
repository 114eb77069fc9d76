// The binding to the support library: CTorvik holds its entry points, CTorvikWrapper forwards to it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "automation/object.h"
#include "platform/torvik_library.h"

namespace brisko {

class CTorvik {
public:
    CTorvik() = default;
    CTorvik(const CTorvik&) = delete;
    CTorvik& operator=(const CTorvik&) = delete;

    void PrepareInitParams(TorvikInitParams& params, std::int32_t width, std::int32_t height);
    // Stores the client handle, then calls the library.
    std::int32_t InitEx(std::uint32_t client, TorvikInitParams& params);
    std::int32_t InitComplete();
    std::int32_t LogMsg(std::wstring_view message, std::int32_t errorNumber, std::wstring_view procedure,
                        std::int32_t level, std::int32_t detail);
    std::int32_t AddAboutMenu(const ObjectPtr& commandBar);
    std::int32_t ShowAbout();
    std::int32_t ShowContextHelp(std::wstring_view topic);

    std::uint32_t ClientHandle() const noexcept { return client_; }
    // left, top, width, height in pixels
    const std::array<std::int32_t, 4>& WindowRect() const noexcept { return rect_; }

private:
    // Binds the library by name at the first call; raises when it can't be bound.
    TorvikLibrary& Library();

    std::uint32_t client_ = 0;
    std::array<std::int32_t, 4> rect_{};
    std::shared_ptr<TorvikLibrary> library_;
};

class CTorvikWrapper {
public:
    void PrepareInitParams(TorvikInitParams& params, std::int32_t width, std::int32_t height) {
        Impl().PrepareInitParams(params, width, height);
    }
    std::int32_t InitEx(std::uint32_t client, TorvikInitParams& params) { return Impl().InitEx(client, params); }
    std::int32_t InitComplete() { return Impl().InitComplete(); }
    std::int32_t LogMsg(std::wstring_view message, std::int32_t errorNumber, std::wstring_view procedure,
                        std::int32_t level, std::int32_t detail) {
        return Impl().LogMsg(message, errorNumber, procedure, level, detail);
    }
    std::int32_t AddAboutMenu(const ObjectPtr& commandBar) { return Impl().AddAboutMenu(commandBar); }
    std::int32_t ShowAbout() { return Impl().ShowAbout(); }
    std::int32_t ShowContextHelp(std::wstring_view topic) { return Impl().ShowContextHelp(topic); }

    // The bound object, or nothing before the first forwarded call.
    const CTorvik* Bound() const noexcept { return impl_.get(); }

private:
    CTorvik& Impl() {
        if (!impl_) impl_ = std::make_unique<CTorvik>();
        return *impl_;
    }
    std::unique_ptr<CTorvik> impl_;
};

}  // namespace brisko
