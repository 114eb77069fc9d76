// The About entry on a host menu bar, reached by late binding on the command bar object (or on a
// window, through its CommandBars.Item("Menu Bar")):
// menuBar.Controls.Add(Type:=1 (button), Temporary:=True), its Caption and Tag, and its Click
// event (CommandBarButtonEvents, DISPID 1) sunk through the button's connection point.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "win_util.h"

namespace torvik {

// {000C0351-0000-0000-C000-000000000046}
inline constexpr GUID kCommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr DISPID kDispIdClick = 1;

class ClickSink;

// Owns the button and the event connection; the destructor disconnects, deletes the button from
// the bar and releases both.
class AboutMenuEntry {
public:
    // Null with the result code when a step fails; nothing is left on the bar then.
    static std::unique_ptr<AboutMenuEntry> Add(IDispatch* menuBar, const std::wstring& caption,
                                               const std::wstring& tag, std::function<void()> onClick,
                                               std::int32_t& result);
    ~AboutMenuEntry();
    AboutMenuEntry(const AboutMenuEntry&) = delete;
    AboutMenuEntry& operator=(const AboutMenuEntry&) = delete;

private:
    AboutMenuEntry() = default;

    ComPtr<IDispatch> button_;
    ComPtr<IConnectionPoint> point_;
    ComPtr<ClickSink> sink_;
    DWORD cookie_ = 0;
};

// The menu bar: the object itself, or for a window (an object with CommandBars) its
// CommandBars.Item("Menu Bar"); null when the window has none.
ComPtr<IDispatch> MenuBarOf(IDispatch* target);

// Late-bound calls by name; arguments in Invoke order (the last argument first).
HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result);
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value);
HRESULT CallMethod(IDispatch* object, const wchar_t* name, VARIANT* args, UINT count, VARIANT* result);

}  // namespace torvik
