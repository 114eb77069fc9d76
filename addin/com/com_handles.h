// The Windows Handles: object references as AddRef'd IDispatch pointers, callback addresses of
// stdcall thunks over the routines in CurrentPlatform().callbacks, data addresses as they are.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <set>

#include "platform/platform.h"

namespace brisko::com {

class WinHandles : public Handles {
public:
    ~WinHandles() override;
    std::uint32_t RetainObject(const ObjectPtr& object) override;
    void ReleaseObject(std::uint32_t handle) noexcept override;
    ObjectPtr ResolveObject(std::uint32_t handle) const override;
    std::uint32_t CallbackAddress(TorvikCallback callback) override;
    std::uint32_t DataAddress(const void* data) override;
    std::size_t RetainedCount() const noexcept { return retained_.size(); }

private:
    std::multiset<std::uint32_t> retained_;
};

// The thunks behind the callback addresses; a returned BSTR belongs to the caller. They let
// nothing escape: a failing routine gives an empty string.
BSTR __stdcall LangIdThunk();
BSTR __stdcall EmailThunk();
// Fills record[0..2] with new strings and returns record.
void* __stdcall VersionTextsThunk(BSTR* record);

}  // namespace brisko::com
