#include "addin/dialogs/CLinkLabel.h"

#include <cmath>

#include "addin/host/error_discipline.h"
#include "addin/host/mTorvik.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/platform.h"

namespace brisko {

namespace {

// One persisted property: its name, how it is read and let, and its default.
struct PropertyDef {
    const wchar_t* name;
    Value (*get)(const CLinkLabel&);
    void (*let)(CLinkLabel&, const Value&);
    Value (*byDefault)();
};

// In the order the properties are read and written.
const PropertyDef kProperties[] = {
    {L"Caption", [](const CLinkLabel& c) { return Value(c.Caption()); },
     [](CLinkLabel& c, const Value& v) { c.SetCaption(v.AsString()); }, [] { return Value(std::wstring()); }},
    {L"AutoSize", [](const CLinkLabel& c) { return Value(c.AutoSize()); },
     [](CLinkLabel& c, const Value& v) { c.SetAutoSize(v.AsBool()); }, [] { return Value(true); }},
    {L"BackColor", [](const CLinkLabel& c) { return OleColorToValue(c.BackColor()); },
     [](CLinkLabel& c, const Value& v) { c.SetBackColor(OleColorFromValue(v)); },
     [] { return OleColorToValue(CLinkLabel::kDefaultBackColor); }},
    {L"ForeColorNormal", [](const CLinkLabel& c) { return OleColorToValue(c.ForeColorNormal()); },
     [](CLinkLabel& c, const Value& v) { c.SetForeColorNormal(OleColorFromValue(v)); },
     [] { return OleColorToValue(CLinkLabel::kDefaultForeColorNormal); }},
    {L"ForeColorOver", [](const CLinkLabel& c) { return OleColorToValue(c.ForeColorOver()); },
     [](CLinkLabel& c, const Value& v) { c.SetForeColorOver(OleColorFromValue(v)); },
     [] { return OleColorToValue(CLinkLabel::kDefaultForeColorOver); }},
    {L"ForeColorClicked", [](const CLinkLabel& c) { return OleColorToValue(c.ForeColorClicked()); },
     [](CLinkLabel& c, const Value& v) { c.SetForeColorClicked(OleColorFromValue(v)); },
     [] { return OleColorToValue(CLinkLabel::kDefaultForeColorClicked); }},
    {L"UnderlineNormal", [](const CLinkLabel& c) { return Value(c.UnderlineNormal()); },
     [](CLinkLabel& c, const Value& v) { c.SetUnderlineNormal(v.AsBool()); }, [] { return Value(false); }},
    {L"Enabled", [](const CLinkLabel& c) { return Value(c.Enabled()); },
     [](CLinkLabel& c, const Value& v) { c.SetEnabled(v.AsBool()); }, [] { return Value(true); }},
    {L"FontBold", [](const CLinkLabel& c) { return Value(c.FontBold()); },
     [](CLinkLabel& c, const Value& v) { c.SetFontBold(v.AsBool()); }, [] { return Value(false); }},
    {L"ToolTipText", [](const CLinkLabel& c) { return Value(c.ToolTipText()); },
     [](CLinkLabel& c, const Value& v) { c.SetToolTipText(v.AsString()); }, [] { return Value(std::wstring()); }},
};

const PropertyDef* FindProperty(std::wstring_view name) {
    for (const auto& p : kProperties) {
        if (EqualsNoCase(name, p.name)) return &p;
    }
    return nullptr;
}

// Sets a flag for the length of a scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

void NeedArgs(const Args& args, std::size_t n) {
    if (args.size() != n) Raise(err::WrongArguments);
}

}  // namespace

std::uint32_t OleColorFromValue(const Value& value) {
    const double d = std::nearbyint(value.AsDouble());
    if (!(d >= -2147483648.0 && d <= 4294967295.0)) {
        Raise(CLinkLabel::kInvalidPropertyValue, L"Invalid property value");
    }
    const auto n = static_cast<long long>(d);
    const auto color = n < 0 ? static_cast<std::uint32_t>(static_cast<std::int32_t>(n)) : static_cast<std::uint32_t>(n);
    const bool rgb = (color & 0xFF000000u) == 0;
    const bool system = (color & 0xFFFFFF00u) == 0x80000000u && (color & 0xFFu) <= 30u;
    if (!rgb && !system) Raise(CLinkLabel::kInvalidPropertyValue, L"Invalid property value");
    return color;
}

Value OleColorToValue(std::uint32_t color) { return Value(static_cast<std::int32_t>(color)); }

std::shared_ptr<CLinkLabel> CLinkLabel::Create(LinkLabelViews& views, std::uintptr_t parent) {
    return std::make_shared<CLinkLabel>(Token{}, views, parent);
}

std::shared_ptr<CLinkLabel> CLinkLabel::Create(std::uintptr_t parent) {
    LinkLabelViews* views = CurrentPlatform().linkLabels;
    if (!views) Raise(err::CantCreateObject);
    return Create(*views, parent);
}

CLinkLabel::CLinkLabel(Token, LinkLabelViews& views, std::uintptr_t parent) {
    auto view = views.Create(parent, *this);
    if (!view) Raise(err::CantCreateObject);
    // The look of a new control: the normal colour, no underline, the label filling the control.
    view->SetBackColor(backColor_);
    view->SetForeColor(foreColorNormal_);
    view->SetUnderline(false);
    view->SetBold(false);
    view->SetEnabled(true);
    const TwipsRect r = view->ControlRect();
    view->SetLabelRect({0, 0, r.width, r.height});
    view_ = std::move(view);
}

CLinkLabel::~CLinkLabel() {
    // The window goes first: nothing it reports while it closes reaches a half-destroyed control.
    view_.reset();
}

void CLinkLabel::Changed(std::wstring_view property) {
    if (propertyChanged_) propertyChanged_(property);
}

void CLinkLabel::AutoSizeLabel() {
    const TwipsSize size = view_->MeasureCaption();
    const TwipsRect r = view_->LabelRect();
    view_->SetLabelRect({r.left, r.top, size.width, size.height});
}

void CLinkLabel::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    view_->SetCaption(caption);
    if (autoSize_) AutoSizeLabel();
    Changed(L"Caption");
}

void CLinkLabel::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    if (autoSize) {
        AutoSizeLabel();
        const TwipsRect label = view_->LabelRect();
        const TwipsRect control = view_->ControlRect();
        FlagScope inProgress(autoSizing_);
        view_->SetControlRect({control.left, control.top, label.width, label.height});
    }
    Changed(L"AutoSize");
}

void CLinkLabel::SetBackColor(std::uint32_t color) {
    backColor_ = OleColorFromValue(OleColorToValue(color));
    view_->SetBackColor(color);
    Changed(L"BackColor");
}

void CLinkLabel::SetForeColorNormal(std::uint32_t color) {
    foreColorNormal_ = OleColorFromValue(OleColorToValue(color));
    Changed(L"ForeColorNormal");
}

void CLinkLabel::SetForeColorOver(std::uint32_t color) {
    foreColorOver_ = OleColorFromValue(OleColorToValue(color));
    Changed(L"ForeColorOver");
}

void CLinkLabel::SetForeColorClicked(std::uint32_t color) {
    foreColorClicked_ = OleColorFromValue(OleColorToValue(color));
    Changed(L"ForeColorClicked");
}

void CLinkLabel::SetUnderlineNormal(bool underline) {
    underlineNormal_ = underline;
    if (!hovering_) view_->SetUnderline(underline);
    Changed(L"UnderlineNormal");
}

void CLinkLabel::SetEnabled(bool enabled) {
    enabled_ = enabled;
    view_->SetEnabled(enabled);
    Changed(L"Enabled");
}

void CLinkLabel::SetFontBold(bool bold) {
    fontBold_ = bold;
    view_->SetBold(bold);
    if (autoSize_) AutoSizeLabel();
    Changed(L"FontBold");
}

void CLinkLabel::SetToolTipText(const std::wstring& text) {
    toolTipText_ = text;
    view_->SetToolTip(text);
    Changed(L"ToolTipText");
}

int CLinkLabel::Width() const { return view_->ControlRect().width; }
int CLinkLabel::Height() const { return view_->ControlRect().height; }
int CLinkLabel::Left() const { return view_->ControlRect().left; }
int CLinkLabel::Top() const { return view_->ControlRect().top; }

void CLinkLabel::SetLeft(int left) {
    TwipsRect r = view_->ControlRect();
    r.left = left;
    view_->SetControlRect(r);
}

void CLinkLabel::SetTop(int top) {
    TwipsRect r = view_->ControlRect();
    r.top = top;
    view_->SetControlRect(r);
}

void CLinkLabel::Move(int left, int top, int width, int height) {
    const TwipsRect r = view_->ControlRect();
    view_->SetControlRect({left, top, width < 0 ? r.width : width, height < 0 ? r.height : height});
}

bool CLinkLabel::Visible() const { return view_->Visible(); }
void CLinkLabel::SetVisible(bool visible) { view_->SetVisible(visible); }

void CLinkLabel::HoverUpdate(TwipsPoint at) {
    const TwipsRect r = view_->ControlRect();
    const bool inside = at.x >= 0 && at.x < r.width && at.y >= 0 && at.y < r.height;
    if (inside && !hovering_) {
        // Without the timer nothing would end the hover: a timer that can't start leaves the
        // label as it is, and the next mouse event tries again.
        view_->StartTimer();
        hovering_ = true;
        view_->SetUnderline(true);
        view_->SetForeColor(foreColorOver_);
    } else if (!inside && hovering_) {
        hovering_ = false;
        try {
            view_->StopTimer();
        } catch (...) {
        }
        view_->SetUnderline(underlineNormal_);
        view_->SetForeColor(clicked_ ? foreColorClicked_ : foreColorNormal_);
    }
}

void CLinkLabel::LabelMouseMove(int, TwipsPoint at) noexcept {
    if (!view_) return;
    EntryGuard(L"CLinkLabel.lbl_MouseMove", [&] { HoverUpdate(at); });
}

void CLinkLabel::LabelMouseDown(int button, TwipsPoint at) noexcept {
    if (!view_) return;
    lastButton_ = button;
    EntryGuard(L"CLinkLabel.lbl_MouseDown", [&] { HoverUpdate(at); });
}

void CLinkLabel::RaiseAroundTimer(std::wstring_view event) {
    // The hover logic rests while the handler runs (a popup menu, for instance).
    try {
        view_->StopTimer();
    } catch (...) {
    }
    try {
        events_.Raise(event);
    } catch (...) {
        // The timer comes back even when the handler failed; then the error is reported.
        if (view_ && hovering_) {
            try {
                view_->StartTimer();
            } catch (...) {
            }
        }
        throw;
    }
    // Only a hovered label needs the timer: it is what ends the hover.
    if (view_ && hovering_) {
        try {
            view_->StartTimer();
        } catch (...) {
        }
    }
}

void CLinkLabel::LabelClick() noexcept {
    if (!view_) return;
    // A handler may drop the dialog and with it this control.
    const auto keep = weak_from_this().lock();
    EntryGuard(L"CLinkLabel.lbl_Click", [&] {
        if (lastButton_ & kLinkButtonLeft) {
            clicked_ = true;
            lastButton_ = 0;
            RaiseAroundTimer(L"OnClick");
        } else if (lastButton_ & kLinkButtonRight) {
            lastButton_ = 0;
            RaiseAroundTimer(L"OnRightClick");
        }
    });
}

void CLinkLabel::TimerTick() noexcept {
    if (!view_) return;
    EntryGuard(L"CLinkLabel.tmrMouseOver_Timer", [&] { HoverUpdate(view_->CursorPosition()); });
}

void CLinkLabel::Resized() noexcept {
    if (!view_ || autoSizing_) return;
    EntryGuard(L"CLinkLabel.UserControl_Resize", [&] {
        const TwipsRect r = view_->ControlRect();
        view_->SetLabelRect({0, 0, r.width, r.height});
    });
}

void CLinkLabel::ReadProperties(PropertyBag& bag) {
    for (const auto& p : kProperties) {
        try {
            const std::optional<Value> stored = bag.Read(p.name);
            p.let(*this, stored ? *stored : p.byDefault());
        } catch (...) {
            Err().Set(CurrentError());
            LogError(L"CLinkLabel.ReadProperties", -1, std::nullopt, std::wstring(L"Property=") + p.name);
            p.let(*this, p.byDefault());
        }
    }
}

void CLinkLabel::WriteProperties(PropertyBag& bag) const {
    for (const auto& p : kProperties) {
        const Value v = p.get(*this);
        if (!(v == p.byDefault())) bag.Write(p.name, v);
    }
}

Value CLinkLabel::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    const bool get = (kind == CallKind::Get || kind == CallKind::Method) && args.empty();
    const bool put = kind == CallKind::Put || kind == CallKind::PutRef;
    if (const PropertyDef* p = FindProperty(name)) {
        if (get) return p->get(*this);
        if (put) {
            NeedArgs(args, 1);
            p->let(*this, args[0]);
            return {};
        }
        Raise(err::WrongArguments);
    }
    const bool readOnly = EqualsNoCase(name, L"Width") || EqualsNoCase(name, L"Height") ||
                          EqualsNoCase(name, L"hWnd") || EqualsNoCase(name, L"Hovering") ||
                          EqualsNoCase(name, L"Clicked");
    if (readOnly) {
        if (put) Raise(kReadOnlyProperty, L"Property is read-only");
        if (!get) Raise(err::WrongArguments);
        if (EqualsNoCase(name, L"Width")) return Value(Width());
        if (EqualsNoCase(name, L"Height")) return Value(Height());
        if (EqualsNoCase(name, L"hWnd")) return Value(static_cast<std::int32_t>(view_->Window()));
        if (EqualsNoCase(name, L"Hovering")) return Value(hovering_);
        return Value(clicked_);
    }
    if (EqualsNoCase(name, L"Left") || EqualsNoCase(name, L"Top")) {
        const bool left = EqualsNoCase(name, L"Left");
        if (get) return Value(left ? Left() : Top());
        if (!put) Raise(err::WrongArguments);
        NeedArgs(args, 1);
        left ? SetLeft(args[0].AsInt()) : SetTop(args[0].AsInt());
        return {};
    }
    if (EqualsNoCase(name, L"Visible")) {
        if (get) return Value(Visible());
        if (!put) Raise(err::WrongArguments);
        NeedArgs(args, 1);
        SetVisible(args[0].AsBool());
        return {};
    }
    if (EqualsNoCase(name, L"Move") && kind == CallKind::Method) {
        if (args.size() < 2 || args.size() > 4) Raise(err::WrongArguments);
        const auto optional = [&](std::size_t i) { return i < args.size() && !args[i].IsEmpty() ? args[i].AsInt() : -1; };
        Move(args[0].AsInt(), args[1].AsInt(), optional(2), optional(3));
        return {};
    }
    Raise(err::NotSupported);
}

EventConnection CLinkLabel::ConnectEvents(EventHandler handler) { return events_.Connect(std::move(handler)); }

}  // namespace brisko
