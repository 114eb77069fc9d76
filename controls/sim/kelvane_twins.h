// In-memory twins of Kelvane's four controls: late-bound objects with the members of the
// controls' dual interfaces (names and argument order as kelvane.idl has them), the same values,
// failure results and events, and a window that the dialog's host gives them. The C++ side below
// is what a host and a scenario driver use; the add-in sees only the late-bound surface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "automation/object.h"

namespace brisko::kelvane {

// Class ids and ProgIDs (version-independent; the ".1" ProgIDs are registered as well).
inline constexpr std::wstring_view kMonthCalClassId = L"{4F59ED57-77FD-401B-A1EE-8DBDBCABB3AB}";
inline constexpr std::wstring_view kDateTimePickClassId = L"{C105AF96-5E7C-4162-BD37-4CBCCE814D3F}";
inline constexpr std::wstring_view kPriorityBarClassId = L"{080D7768-7B38-4B9A-8A46-9A262E33CA07}";
inline constexpr std::wstring_view kEditBoxClassId = L"{A8FD7883-C5A2-408D-B4C8-575C1CE20DE6}";
inline constexpr std::wstring_view kMonthCalProgId = L"Kelvane.SysMonthCal32";
inline constexpr std::wstring_view kDateTimePickProgId = L"Kelvane.SysDateTimePick32";
inline constexpr std::wstring_view kPriorityBarProgId = L"Kelvane.PriorityBar";
inline constexpr std::wstring_view kEditBoxProgId = L"Kelvane.EditBox";

// The failure results of the real controls as the late-bound caller sees them: the HRESULT as a
// negative error number with the caller's text for it.
inline constexpr std::int32_t kConversionFailed = -1;      // 0xFFFFFFFF
inline constexpr std::int32_t kWindowRejected = -2;        // 0xFFFFFFFE
inline constexpr std::int32_t kInvalidArg = -2147024809;   // E_INVALIDARG, 0x80070057

// The calendar's minimum size in pixels (GetMinSize): one month with the today line, short day
// names, the default GUI font at 96 dpi, as the real control answers under Wine (Xvfb); the
// twin answers it whatever its window's size, as the real one does.
inline constexpr int kMonthCalMinWidth = 280;
inline constexpr int kMonthCalMinHeight = 171;

enum class ControlKind { MonthCal, DateTimePick, PriorityBar, EditBox };

// Late bound: SysMonthCal32 Enabled, HWND, TabStop, Value, GetMinSize(width, height);
// SysDateTimePick32 Enabled, HWND, TabStop, Value, UpDown, SetCustomFormat(format), SetAltFont(flag);
// PriorityBar Enabled, HWND, Value, SetCaptions(high, normal, low); EditBox Enabled, Text.
// ConnectEvents: "OnChange" (no arguments) from the calendar and the picker; the priority bar and
// the edit box have no events and raise 459, as the real ones do through COM.
//
// The host's and the scenario driver's side of a twin. Get it from the object that CreateObject
// returned with TwinOf(object).
class ControlTwin {
public:
    virtual ~ControlTwin() = default;
    virtual ControlKind Kind() const noexcept = 0;

    // In-place activation: the control's window is created with this size in pixels, and what
    // was stored before is applied as the real control applies it at creation. Attaching again
    // while a window exists only resizes it.
    virtual void AttachWindow(int width, int height) = 0;
    // Deactivation: the window goes; the stored state stays (the last value read or set).
    virtual void DetachWindow() noexcept = 0;
    virtual bool HasWindow() const noexcept = 0;
    // The container moves or resizes the control (no effect without a window).
    virtual void Resize(int width, int height) noexcept = 0;
    virtual int Width() const noexcept = 0;
    virtual int Height() const noexcept = 0;
};

// The calendar (SysMonthCal32).
class MonthCalTwin : public virtual ControlTwin {
public:
    // The user clicks a day: the selection becomes that day at midnight (a click carries no
    // time) and OnChange is raised once. False (nothing happens) without a window or for a day the
    // calendar cannot show (before 14 September 1752).
    virtual bool PickDate(Date date) = 0;
    // The selection the window holds (a date with the time it was given), meaningful only with a
    // window.
    virtual Date Selected() const = 0;
};

// The date and time picker (SysDateTimePick32).
class DateTimePickTwin : public virtual ControlTwin {
public:
    // The user changes the date or time in the picker (typing, the spin buttons or the
    // drop-down calendar) so that it holds this value (seconds kept, milliseconds dropped);
    // OnChange is raised once. False (nothing happens) without a window or for a value the
    // picker cannot hold.
    virtual bool EnterDateTime(Date value) = 0;
    virtual Date Held() const = 0;
    // What the window shows of its style and format: the spin style it was created with, the
    // custom format given since its creation ("" when none), whether the stock GUI font is set.
    virtual bool UpDownStyle() const noexcept = 0;
    virtual std::wstring CustomFormat() const = 0;
    virtual bool AltFontShown() const noexcept = 0;
};

// The priority bar (PriorityBar). No events: the dialog reads Value when it needs it.
class PriorityBarTwin : public virtual ControlTwin {
public:
    // The user clicks the button of priority 0 (low), 1 (normal) or 2 (high): it becomes the
    // pressed one. False (nothing happens) without a window or for another number.
    virtual bool ClickButton(int priority) = 0;
    // The pressed button's priority (1 when none; meaningful only with a window) and the button
    // texts, top to bottom: high, normal, low.
    virtual int Pressed() const noexcept = 0;
    virtual std::wstring ButtonText(int priority) const = 0;
};

// The edit box (EditBox). No events; the stored Text and the window's text are independent.
class EditBoxTwin : public virtual ControlTwin {
public:
    // The user types into the edit window (replacing its text). False without a window.
    virtual bool TypeText(std::wstring_view text) = 0;
    virtual std::wstring WindowText() const = 0;
};

// The local date and time a new window starts with when no value was stored (both controls hold
// it to the second). Default: the system's clock; tests set their own.
void SetClock(std::function<Date()> now);

// New twins, without a window.
ObjectPtr MakeMonthCal();
ObjectPtr MakeDateTimePick();
ObjectPtr MakePriorityBar();
ObjectPtr MakeEditBox();
// The twin of a class named by ProgID (with or without ".1") or class id, without regard to case;
// nullptr for any other name.
ObjectPtr MakeByName(std::wstring_view progIdOrClassId);

// The C++ side of an object made above, nullptr for any other object.
ControlTwin* TwinOf(const ObjectPtr& object) noexcept;
template <class T>
T* TwinAs(const ObjectPtr& object) noexcept {
    return dynamic_cast<T*>(TwinOf(object));
}

}  // namespace brisko::kelvane
