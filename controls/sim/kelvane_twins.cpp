#include "controls/sim/kelvane_twins.h"

#include <array>
#include <atomic>
#include <cmath>
#include <ctime>
#include <optional>

#include "automation/error.h"
#include "automation/text.h"

namespace brisko::kelvane {

namespace {

std::function<Date()>& ClockHook() {
    static std::function<Date()> hook;
    return hook;
}

Date SystemNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return MakeDate({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                     local.tm_sec > 59 ? 59 : local.tm_sec});
}

bool Is(std::wstring_view a, std::wstring_view b) { return EqualsNoCase(a, b); }

// The DATE range that VariantTimeToSystemTime converts.
bool Convertible(Date d) { return d.serial > -657435.0 && d.serial < 2958466.0; }

// VariantTimeToSystemTime then SystemTimeToVariantTime: the value to the second.
std::optional<DateParts> ToParts(Date d) {
    if (!Convertible(d)) return std::nullopt;
    DateParts p = SplitDate(d);
    if (p.year > 9999) return std::nullopt;  // 31 December 9999 rounded past midnight
    return p;
}

// The common controls' date range, 14 September 1752 .. 31 December 9999: the calendar compares
// the day only, the picker the time as well (its last moment is 31 December 9999 00:00:00).
bool DayInRange(const DateParts& p) {
    if (p.year != 1752) return p.year > 1752;
    return p.month > 9 || (p.month == 9 && p.day >= 14);
}
bool MomentInRange(const DateParts& p) {
    if (!DayInRange(p)) return false;
    return !(p.year == 9999 && p.month == 12 && p.day == 31 && (p.hour || p.minute || p.second));
}

// Synthetic window handles: distinct, never 0.
std::int32_t NewHandle() {
    static std::atomic<std::int32_t> next{0x10000};
    return next.fetch_add(4);
}

// DISP_E_NOTACOLLECTION: a property get called with arguments.
constexpr std::int32_t kNotACollection = -2147352559;

[[noreturn]] void Fail(std::int32_t number) {
    Raise(number, number == kInvalidArg ? L"The parameter is incorrect." : L"Automation error");
}

// A BSTR argument: Null does not convert, as VariantChangeType refuses it.
std::wstring Text(const Value& v) {
    if (v.IsNull()) Raise(err::TypeMismatch);
    return v.AsString();
}

// The member kinds of a dual interface as late binding reaches them: a property get answers Get
// (and a method call with arguments would not reach it), a put answers Put, a method answers Get
// and Method. Any other combination is 438, as DISP_E_MEMBERNOTFOUND is.
void ExpectArgs(const Args& args, std::size_t n) {
    if (args.size() != n) Raise(err::WrongArguments);
}

class TwinBase : public Object, public virtual ControlTwin {
public:
    void AttachWindow(int width, int height) override {
        if (hwnd_ != 0) {
            Resize(width, height);
            return;
        }
        hwnd_ = NewHandle();
        width_ = width;
        height_ = height;
        OnCreate();
    }
    void DetachWindow() noexcept override {
        if (hwnd_ == 0) return;
        OnDestroy();
        hwnd_ = 0;
    }
    bool HasWindow() const noexcept override { return hwnd_ != 0; }
    void Resize(int width, int height) noexcept override {
        if (hwnd_ == 0) return;
        width_ = width;
        height_ = height;
    }
    int Width() const noexcept override { return hwnd_ ? width_ : 0; }
    int Height() const noexcept override { return hwnd_ ? height_ : 0; }

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (std::optional<Value> v = Member(name, kind, args)) return std::move(*v);
        if (Is(name, L"Enabled")) return Flag(enabled_, kind, args);
        if (HasHwnd() && Is(name, L"HWND")) {
            Property(kind, args);
            return Value(hwnd_);
        }
        Raise(err::NotSupported);
    }

protected:
    virtual std::optional<Value> Member(std::wstring_view name, CallKind kind, Args& args) = 0;
    virtual void OnCreate() {}
    virtual void OnDestroy() noexcept {}
    virtual bool HasHwnd() const noexcept { return true; }

    // A property get: no arguments (with arguments it would be indexed, as a collection).
    static void Property(CallKind kind, const Args& args) {
        if (kind != CallKind::Get) Raise(err::NotSupported);
        if (!args.empty()) Raise(kNotACollection, L"Does not support a collection.");
    }
    // A read-write property: true for a put (the value in args[0]).
    static bool ReadWrite(CallKind kind, const Args& args) {
        if (kind == CallKind::Put) {
            ExpectArgs(args, 1);
            return true;
        }
        Property(kind, args);
        return false;
    }
    static void Method(CallKind kind, const Args& args, std::size_t n) {
        if (kind != CallKind::Get && kind != CallKind::Method) Raise(err::NotSupported);
        ExpectArgs(args, n);
    }
    static Value Flag(bool& flag, CallKind kind, Args& args) {
        if (!ReadWrite(kind, args)) return Value(flag);
        flag = args[0].AsBool();
        return {};
    }

    std::int32_t hwnd_ = 0;
    int width_ = 0, height_ = 0;
    bool enabled_ = true;
};

// --- the two date controls -------------------------------------------------------------------

class DateTwinBase : public TwinBase {
public:
    EventConnection ConnectEvents(EventHandler handler) override {
        if (!handler) Raise(err::InvalidCall);
        return events_.Connect(std::move(handler));
    }

protected:
    std::optional<Value> DateMember(std::wstring_view name, CallKind kind, Args& args) {
        if (Is(name, L"TabStop")) return Flag(tab_stop_, kind, args);
        if (Is(name, L"Value")) {
            if (!ReadWrite(kind, args)) return Value(GetValue());
            PutValue(args[0].AsDate());
            return Value();
        }
        return std::nullopt;
    }
    Date GetValue() {
        if (hwnd_ != 0) value_ = WindowDate();
        return value_;
    }
    void PutValue(Date d) {
        value_ = d;
        if (hwnd_ == 0) return;
        const std::optional<DateParts> parts = ToParts(d);
        if (!parts) Fail(kConversionFailed);
        if (!SendDate(*parts)) Fail(kWindowRejected);
    }
    void OnCreate() override {
        window_ = Initial(ToParts(Now()).value());
        // A stored value of exactly 0 is not applied: the window shows today.
        if (value_.serial != 0.0) {
            if (const std::optional<DateParts> parts = ToParts(value_)) SendDate(*parts);
        }
    }
    static Date Now() {
        const auto& hook = ClockHook();
        return hook ? hook() : SystemNow();
    }
    // What a new window holds when no value is applied: now, as the window keeps it.
    virtual Date Initial(const DateParts& now) const = 0;
    void RaiseChange() { events_.Raise(L"OnChange"); }

    // The window's MCM_SETCURSEL / DTM_SETSYSTEMTIME: false when it rejects the date.
    virtual bool SendDate(const DateParts& parts) = 0;
    Date WindowDate() const { return window_; }

    Date value_{};
    Date window_{};  // what the child window holds
    bool tab_stop_ = true;
    EventSource events_;
};

class MonthCal final : public DateTwinBase, public MonthCalTwin {
public:
    ControlKind Kind() const noexcept override { return ControlKind::MonthCal; }
    std::wstring TypeName() const override { return L"SysMonthCal32"; }

    bool PickDate(Date date) override {
        if (hwnd_ == 0) return false;
        const std::optional<DateParts> parts = ToParts(date);
        if (!parts || !DayInRange(*parts)) return false;
        // A click selects the day alone: midnight.
        window_ = MakeDate({parts->year, parts->month, parts->day});
        RaiseChange();
        return true;
    }
    Date Selected() const override { return window_; }

protected:
    std::optional<Value> Member(std::wstring_view name, CallKind kind, Args& args) override {
        if (std::optional<Value> v = DateMember(name, kind, args)) return v;
        if (Is(name, L"GetMinSize")) {
            Method(kind, args, 2);
            if (hwnd_ == 0) Fail(kConversionFailed);  // outputs left as they are
            args[0] = Value(kMonthCalMinWidth);
            args[1] = Value(kMonthCalMinHeight);
            return Value();
        }
        return std::nullopt;
    }
    Date Initial(const DateParts& now) const override { return MakeDate(now); }
    // The calendar keeps what it is given, time included, and refuses days outside its range.
    bool SendDate(const DateParts& parts) override {
        if (!DayInRange(parts)) return false;
        window_ = MakeDate(parts);
        return true;
    }
};

class DateTimePick final : public DateTwinBase, public DateTimePickTwin {
public:
    ControlKind Kind() const noexcept override { return ControlKind::DateTimePick; }
    std::wstring TypeName() const override { return L"SysDateTimePick32"; }

    bool EnterDateTime(Date value) override {
        if (hwnd_ == 0) return false;
        const std::optional<DateParts> parts = ToParts(value);
        if (!parts || !MomentInRange(*parts)) return false;
        window_ = MakeDate(*parts);
        RaiseChange();
        return true;
    }
    Date Held() const override { return window_; }
    bool UpDownStyle() const noexcept override { return hwnd_ != 0 && up_down_style_; }
    std::wstring CustomFormat() const override { return hwnd_ ? format_ : std::wstring(); }
    bool AltFontShown() const noexcept override { return hwnd_ != 0 && alt_font_shown_; }

protected:
    std::optional<Value> Member(std::wstring_view name, CallKind kind, Args& args) override {
        if (std::optional<Value> v = DateMember(name, kind, args)) return v;
        if (Is(name, L"UpDown")) return Flag(up_down_, kind, args);
        if (Is(name, L"SetCustomFormat")) {
            Method(kind, args, 1);
            std::wstring format = Text(args[0]);
            if (hwnd_ == 0) Fail(kConversionFailed);
            format_ = std::move(format);
            return Value();
        }
        if (Is(name, L"SetAltFont")) {
            Method(kind, args, 1);
            alt_font_ = args[0].AsBool();
            if (hwnd_ != 0) alt_font_shown_ = alt_font_;
            return Value();
        }
        return std::nullopt;
    }
    void OnCreate() override {
        up_down_style_ = up_down_;
        format_.clear();
        alt_font_shown_ = false;  // the flag is not applied at creation
        DateTwinBase::OnCreate();
    }
    Date Initial(const DateParts& now) const override { return MakeDate(now); }
    // The picker keeps date and time; a valid date outside its range is accepted and ignored.
    bool SendDate(const DateParts& parts) override {
        if (MomentInRange(parts)) window_ = MakeDate(parts);
        return true;
    }

private:
    bool up_down_ = false;
    bool alt_font_ = false;
    bool up_down_style_ = false;
    bool alt_font_shown_ = false;
    std::wstring format_;
};

// --- the priority bar ------------------------------------------------------------------------

class PriorityBar final : public TwinBase, public PriorityBarTwin {
public:
    ControlKind Kind() const noexcept override { return ControlKind::PriorityBar; }
    std::wstring TypeName() const override { return L"PriorityBar"; }

    bool ClickButton(int priority) override {
        if (hwnd_ == 0 || priority < 0 || priority > 2) return false;
        pressed_ = priority;
        return true;
    }
    int Pressed() const noexcept override { return pressed_.value_or(1); }
    std::wstring ButtonText(int priority) const override {
        if (priority < 0 || priority > 2) return {};
        return captions_[static_cast<std::size_t>(2 - priority)];
    }

protected:
    std::optional<Value> Member(std::wstring_view name, CallKind kind, Args& args) override {
        if (Is(name, L"Value")) {
            if (!ReadWrite(kind, args)) {
                if (hwnd_ != 0) value_ = pressed_.value_or(1);
                return Value(value_);
            }
            value_ = args[0].AsInt();
            if (hwnd_ != 0) {
                if (value_ < 0 || value_ > 2) Fail(kInvalidArg);
                pressed_ = value_;
            }
            return Value();
        }
        if (Is(name, L"SetCaptions")) {
            Method(kind, args, 3);
            std::array<std::wstring, 3> texts;
            for (std::size_t i = 0; i < 3; ++i) texts[i] = Text(args[i]);
            captions_ = std::move(texts);
            return Value();
        }
        return std::nullopt;
    }
    void OnCreate() override {
        // The stored value presses its button; one outside 0..2 leaves none pressed.
        pressed_.reset();
        if (value_ >= 0 && value_ <= 2) pressed_ = value_;
    }
    void OnDestroy() noexcept override { pressed_.reset(); }

private:
    std::int32_t value_ = 1;
    std::optional<int> pressed_;
    std::array<std::wstring, 3> captions_{L"High Priority", L"Normal Priority", L"Low Priority"};
};

// --- the edit box ----------------------------------------------------------------------------

class EditBox final : public TwinBase, public EditBoxTwin {
public:
    ControlKind Kind() const noexcept override { return ControlKind::EditBox; }
    std::wstring TypeName() const override { return L"EditBox"; }

    bool TypeText(std::wstring_view text) override {
        if (hwnd_ == 0) return false;
        window_text_ = text;
        return true;
    }
    std::wstring WindowText() const override { return hwnd_ ? window_text_ : std::wstring(); }

protected:
    std::optional<Value> Member(std::wstring_view name, CallKind kind, Args& args) override {
        if (Is(name, L"Text")) {
            if (!ReadWrite(kind, args)) return text_ ? Value(*text_) : Value(std::wstring());
            text_ = Text(args[0]);
            return Value();
        }
        return std::nullopt;
    }
    bool HasHwnd() const noexcept override { return false; }  // IEditBox has no HWND
    void OnCreate() override { window_text_.clear(); }

private:
    std::optional<std::wstring> text_;  // null until set; reads as ""
    std::wstring window_text_;
};

}  // namespace

void SetClock(std::function<Date()> now) { ClockHook() = std::move(now); }

ObjectPtr MakeMonthCal() { return std::make_shared<MonthCal>(); }
ObjectPtr MakeDateTimePick() { return std::make_shared<DateTimePick>(); }
ObjectPtr MakePriorityBar() { return std::make_shared<PriorityBar>(); }
ObjectPtr MakeEditBox() { return std::make_shared<EditBox>(); }

ObjectPtr MakeByName(std::wstring_view name) {
    struct Class {
        std::wstring_view classId, progId;
        ObjectPtr (*make)();
    };
    static constexpr Class kClasses[] = {
        {kMonthCalClassId, kMonthCalProgId, &MakeMonthCal},
        {kDateTimePickClassId, kDateTimePickProgId, &MakeDateTimePick},
        {kPriorityBarClassId, kPriorityBarProgId, &MakePriorityBar},
        {kEditBoxClassId, kEditBoxProgId, &MakeEditBox},
    };
    for (const auto& c : kClasses) {
        if (Is(name, c.classId) || Is(name, c.progId) || Is(name, std::wstring(c.progId) + L".1")) return c.make();
    }
    return nullptr;
}

ControlTwin* TwinOf(const ObjectPtr& object) noexcept { return dynamic_cast<ControlTwin*>(object.get()); }

}  // namespace brisko::kelvane
