#include "addin/com/com_handles.h"

#include <string>

#include "automation/error.h"
#include "automation/win/variant.h"

namespace brisko::com {

namespace {

std::uint32_t AddressOf(const void* p) noexcept {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

BSTR NewBstr(const std::wstring& s) noexcept {
    return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

BSTR CallText(std::wstring (*routine)()) noexcept {
    try {
        if (routine) return NewBstr(routine());
    } catch (...) {
    }
    return NewBstr(std::wstring());
}

}  // namespace

WinHandles::~WinHandles() {
    for (auto h : retained_) reinterpret_cast<IDispatch*>(static_cast<std::uintptr_t>(h))->Release();
}

std::uint32_t WinHandles::RetainObject(const ObjectPtr& object) {
    if (!object) return 0;
    auto dispatch = win::DispatchFromObject(object);
    if (!dispatch) Raise(err::TypeMismatch);
    const auto h = AddressOf(dispatch.Detach());
    retained_.insert(h);
    return h;
}

void WinHandles::ReleaseObject(std::uint32_t handle) noexcept {
    auto it = retained_.find(handle);
    if (it == retained_.end()) return;
    retained_.erase(it);
    reinterpret_cast<IDispatch*>(static_cast<std::uintptr_t>(handle))->Release();
}

ObjectPtr WinHandles::ResolveObject(std::uint32_t handle) const {
    if (!retained_.contains(handle)) return nullptr;
    return win::ObjectFromDispatch(reinterpret_cast<IDispatch*>(static_cast<std::uintptr_t>(handle)));
}

std::uint32_t WinHandles::CallbackAddress(TorvikCallback callback) {
    switch (callback) {
        case TorvikCallback::LangID: return AddressOf(reinterpret_cast<const void*>(&LangIdThunk));
        case TorvikCallback::CurrentUserEmail: return AddressOf(reinterpret_cast<const void*>(&EmailThunk));
        case TorvikCallback::VersionTexts: return AddressOf(reinterpret_cast<const void*>(&VersionTextsThunk));
    }
    return 0;
}

std::uint32_t WinHandles::DataAddress(const void* data) { return AddressOf(data); }

BSTR __stdcall LangIdThunk() { return CallText(CurrentPlatform().callbacks.langId); }

BSTR __stdcall EmailThunk() { return CallText(CurrentPlatform().callbacks.currentUserEmail); }

void* __stdcall VersionTextsThunk(BSTR* record) {
    if (!record) return record;
    std::wstring texts[3];
    try {
        if (auto routine = CurrentPlatform().callbacks.versionTexts) routine(texts);
    } catch (...) {
        for (auto& t : texts) t.clear();
    }
    for (int i = 0; i < 3; ++i) record[i] = NewBstr(texts[i]);
    return record;
}

}  // namespace brisko::com
