// The About entry on a host menu bar, reached by late binding on the command bar object (or on a
// window, through its CommandBars.Item("Menu Bar")):
// menuBar.FindControl(Tag:=tag) first (one entry per bar and tag), else
// menuBar.Controls.Add(Type:=1 (button), Temporary:=True), its Caption and Tag, and its Click
// event (CommandBarButtonEvents, DISPID 1) sunk through the button's connection point.
//
// No reference to the host's objects is kept once the call returns: the host holds the sink, and
// the sink holds nothing of the host's. Since the host may call the sink at any later time, the
// library pins itself in memory once a sink is out.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <cstdint>
#include <functional>
#include <string>

#include "win_util.h"

namespace torvik {

// {000C0351-0000-0000-C000-000000000046}
inline constexpr GUID kCommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr DISPID kDispIdClick = 1;

// The Click handler of an entry: answers IDispatch and the button's event interface.
class ClickSink final : public IDispatch {
public:
    explicit ClickSink(std::function<void()> onClick) : onClick_(std::move(onClick)) {}

    // After this the sink ignores events (the host keeps it as long as the button lives).
    void Detach() noexcept { onClick_ = nullptr; }
    // Whether the caller's reference is the only one left (the host let the sink go).
    bool HeldOnlyByCaller() const noexcept { return InterlockedCompareExchange(&refs_, 0, 0) == 1; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override;

private:
    ~ClickSink() = default;

    mutable LONG refs_ = 1;
    std::function<void()> onClick_;
};

// Puts the About entry on the menu bar of target unless the bar has a control with the tag
// already. Answers a result code; sink is the new entry's sink (null when nothing was added).
// A failure after Add deletes the new button again.
std::int32_t AddAboutEntry(IDispatch* target, const std::wstring& caption, const std::wstring& tag,
                           std::function<void()> onClick, ComPtr<ClickSink>& sink);

// The menu bar: the object itself, or for a window (an object with CommandBars) its
// CommandBars.Item("Menu Bar"); null when the window has none.
ComPtr<IDispatch> MenuBarOf(IDispatch* target);

// Keeps this library loaded until the process ends; false when that fails.
bool PinLibrary() noexcept;

// Late-bound calls by name; arguments in Invoke order (the last argument first).
HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result);
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value);
HRESULT CallMethod(IDispatch* object, const wchar_t* name, VARIANT* args, UINT count, VARIANT* result);

}  // namespace torvik
