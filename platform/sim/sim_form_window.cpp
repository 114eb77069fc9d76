#include "platform/sim/sim_form_window.h"

#include <algorithm>

#include "automation/error.h"
#include "automation/text.h"
#include "platform/platform.h"
#include "platform/sim/sim_link_label.h"
#include "platform/ui.h"

namespace brisko::sim {

namespace {

[[noreturn]] void Refuse(const std::wstring& why) { Raise(err::InvalidCall, why); }

// Where a destroyed window's reports go: nowhere.
class NoEvents final : public FormWindowEvents {
public:
    void UserTextChanged(int, const std::wstring&) noexcept override {}
    void UserClicked(int, int) noexcept override {}
    void UserValueChanged(int, int) noexcept override {}
    void UserDroppedDown(int) noexcept override {}
    void UserPicked(int, int) noexcept override {}
    bool UserFocusChanging(int, int) noexcept override { return false; }
    void FocusMoved(int, int) noexcept override {}
    void UserKeyDown(int, int, int) noexcept override {}
    void UserClosing() noexcept override {}
    void Activated() noexcept override {}
};

bool Takes(FormControlKind k) {
    return k != FormControlKind::Label && k != FormControlKind::Line && k != FormControlKind::Frame &&
           k != FormControlKind::Image && k != FormControlKind::LinkLabel;
}

bool Editable(FormControlKind k) { return k == FormControlKind::TextBox || k == FormControlKind::ComboBox; }

// The letter after a single "&" of a caption ("&&" is a literal ampersand), or 0.
wchar_t MnemonicOf(const std::wstring& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        return FoldCase(caption[i + 1]);
    }
    return 0;
}

std::wstring Quoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'"') out += L'"';
        if (c == L'\r') {
            out += L"\\r";
        } else if (c == L'\n') {
            out += L"\\n";
        } else if (c == L'\t') {
            out += L"\\t";
        } else {
            out += c;
        }
    }
    return out + L"\"";
}

}  // namespace

std::wstring SimFormWindow::Control::Label() const {
    return setup.index ? setup.name + L"(" + std::to_wstring(*setup.index) + L")" : setup.name;
}

SimFormWindow::SimFormWindow(SimFormWindows& owner, std::uintptr_t handle, std::wstring formName, std::wstring caption,
                             const TwipsRect& rect, FormWindowEvents& events)
    : owner_(owner),
      handle_(handle),
      formName_(std::move(formName)),
      caption_(std::move(caption)),
      rect_(rect),
      events_(&events) {
    owner_.live_.push_back(this);
}

SimFormWindow::~SimFormWindow() {
    Destroy();
    std::erase(owner_.live_, this);
}

int SimFormWindow::TwipsPerPixelX() const { return owner_.twipsPerPixelX; }
int SimFormWindow::TwipsPerPixelY() const { return owner_.twipsPerPixelY; }

SimFormWindow::Control& SimFormWindow::At(int id) {
    if (id >= 0 && id < static_cast<int>(controls_.size()) && controls_[static_cast<std::size_t>(id)].setup.id == id) {
        return controls_[static_cast<std::size_t>(id)];
    }
    for (auto& c : controls_) {
        if (c.setup.id == id) return c;
    }
    Refuse(L"The window has no control " + std::to_wstring(id));
}

const SimFormWindow::Control* SimFormWindow::Find(std::wstring_view label) const {
    for (const auto& c : controls_) {
        if (EqualsNoCase(c.Label(), label)) return &c;
    }
    // A control array's only element by its name alone.
    const Control* only = nullptr;
    for (const auto& c : controls_) {
        if (!EqualsNoCase(c.setup.name, label)) continue;
        if (only) return nullptr;
        only = &c;
    }
    return only;
}

SimFormWindow::Control& SimFormWindow::Usable(std::wstring_view label) {
    if (destroyed_) Refuse(L"The window " + formName_ + L" is gone");
    const Control* found = Find(label);
    if (!found) Refuse(formName_ + L" has no control '" + std::wstring(label) + L"'");
    if (!visible_) Refuse(L"The window " + formName_ + L" is hidden");
    if (!enabled_) Refuse(L"The window " + formName_ + L" is disabled");
    auto& c = const_cast<Control&>(*found);
    if (!c.setup.visible) Refuse(c.Label() + L" is hidden");
    if (!c.setup.enabled) Refuse(c.Label() + L" is disabled");
    return c;
}

bool SimFormWindow::CanFocus(const Control& c) const {
    return Takes(c.setup.kind) && c.setup.visible && c.setup.enabled;
}

std::vector<const SimFormWindow::Control*> SimFormWindow::TabOrder() const {
    std::vector<const Control*> order;
    for (const auto& c : controls_) order.push_back(&c);
    std::stable_sort(order.begin(), order.end(),
                     [](const Control* a, const Control* b) { return a->setup.tabIndex < b->setup.tabIndex; });
    return order;
}

bool SimFormWindow::UserFocus(int to) {
    if (destroyed_) return false;
    if (to == focused_) return true;
    if (!events_->UserFocusChanging(focused_, to) || destroyed_) return false;
    const int from = focused_;
    focused_ = to;
    events_->FocusMoved(from, to);
    return !destroyed_;
}

void SimFormWindow::PressButton(Control& c) { events_->UserClicked(c.setup.id, kLinkButtonLeft); }

std::wstring SimFormWindow::Shown(const Control& c) const {
    switch (c.setup.kind) {
        case FormControlKind::TextBox:
        case FormControlKind::ComboBox:
            return c.setup.text;
        case FormControlKind::LinkLabel:
            return c.link ? c.link->caption : c.setup.caption;
        case FormControlKind::ActiveX: {
            if (!c.object) return {};
            try {
                if (EqualsNoCase(c.setup.kindName, L"EditBox")) return c.object->Get(L"Text").AsString();
                const Value v = c.object->Get(L"Value");
                if (EqualsNoCase(c.setup.kindName, L"PriorityBar")) {
                    switch (v.AsInt()) {
                        case 0: return L"low";
                        case 1: return L"normal";
                        case 2: return L"high";
                        default: return v.AsString();
                    }
                }
                return FormatDate(v.AsDate());
            } catch (const RuntimeError& e) {
                return L"error " + std::to_wstring(e.number());
            }
        }
        default:
            return c.setup.caption;
    }
}

std::wstring SimFormWindow::Listing() const {
    std::wstring out = formName_ + L" " + Quoted(caption_);
    if (!visible_) out += L" [hidden]";
    if (!enabled_) out += L" [disabled]";
    out += L"\n";
    for (const Control* c : TabOrder()) {
        if (c->setup.kind == FormControlKind::Line) continue;
        out += c->Label() + L" " + c->setup.kindName + L" " + Quoted(Shown(*c));
        if (c->setup.kind == FormControlKind::CheckBox || c->setup.kind == FormControlKind::OptionButton) {
            out += c->setup.value == 1 ? L" checked" : c->setup.value == 2 ? L" grayed" : L" unchecked";
        }
        if (!c->setup.enabled) out += L" [disabled]";
        if (!c->setup.visible) out += L" [hidden]";
        if (c->setup.isDefault) out += L" [default]";
        if (c->setup.isCancel) out += L" [cancel]";
        if (c->setup.id == focused_) out += L" [focus]";
        if (c->droppedDown) out += L" [dropped]";
        out += L"\n";
        if (c->setup.kind == FormControlKind::ComboBox && !c->list.empty()) {
            out += L"  list:";
            for (std::size_t i = 0; i < c->list.size(); ++i) {
                out += i ? L" |" : L"";
                out += static_cast<int>(i) == c->selected ? L" [" + c->list[i] + L"]" : L" " + c->list[i];
            }
            out += L"\n";
        }
    }
    return out;
}

// --- The simulated user ---------------------------------------------------------------------

void SimFormWindow::Focus(std::wstring_view control) {
    const auto self = shared_from_this();
    Control& c = Usable(control);
    if (!CanFocus(c)) Refuse(c.Label() + L" can't take the focus");
    UserFocus(c.setup.id);
}

void SimFormWindow::Type(std::wstring_view control, const std::wstring& text) {
    const auto self = shared_from_this();
    Control& c = Usable(control);
    if (!Editable(c.setup.kind)) Refuse(c.Label() + L" takes no text");
    if (!UserFocus(c.setup.id)) return;
    Control& now = At(c.setup.id);
    now.setup.text = text;
    now.selStart = static_cast<int>(text.size());
    now.selLength = 0;
    if (now.setup.kind == FormControlKind::ComboBox) now.selected = -1;
    events_->UserTextChanged(now.setup.id, text);
}

void SimFormWindow::Click(std::wstring_view control, int button) {
    const auto self = shared_from_this();
    Control& c = Usable(control);
    const int id = c.setup.id;
    switch (c.setup.kind) {
        case FormControlKind::LinkLabel: {
            if (!c.link) Refuse(c.Label() + L" has no window");
            SimLinkLabelView* link = c.link;
            const TwipsRect label = link->label;
            if (label.width <= 0 || label.height <= 0) Refuse(c.Label() + L" shows nothing to click");
            link->MoveMouse({label.left + label.width / 2, label.top + label.height / 2});
            link->Click(button);
            if (destroyed_) return;
            // The mouse leaves; the hover timer notices it.
            if (Control& again = At(id); again.link) {
                again.link->MoveMouse({-10000, -10000});
                again.link->Tick();
            }
            return;
        }
        case FormControlKind::Label:
            events_->UserClicked(id, button);
            return;
        case FormControlKind::CommandButton:
            if (!UserFocus(id)) return;
            if (button == kLinkButtonLeft) PressButton(At(id));
            return;
        case FormControlKind::CheckBox: {
            if (!UserFocus(id) || button != kLinkButtonLeft) return;
            Control& now = At(id);
            now.setup.value = now.setup.value == 1 ? 0 : 1;
            events_->UserValueChanged(id, now.setup.value);
            return;
        }
        case FormControlKind::OptionButton: {
            if (!UserFocus(id) || button != kLinkButtonLeft) return;
            At(id).setup.value = 1;
            events_->UserValueChanged(id, 1);
            return;
        }
        default:
            if (CanFocus(c)) UserFocus(id);
            return;
    }
}

void SimFormWindow::Check(std::wstring_view control, bool on) {
    const auto self = shared_from_this();
    Control& c = Usable(control);
    if (c.setup.kind != FormControlKind::CheckBox) Refuse(c.Label() + L" is no check box");
    if ((c.setup.value == 1) != on) Click(control);
}

void SimFormWindow::PickDate(std::wstring_view control, Date date) {
    const auto self = shared_from_this();
    Control& c = Usable(control);
    if (c.setup.kind != FormControlKind::ActiveX || !c.object || !owner_.site) Refuse(c.Label() + L" takes no date");
    const ObjectPtr object = c.object;
    if (!UserFocus(c.setup.id)) return;
    if (!owner_.site->PickDate(object, date)) Refuse(c.Label() + L" can't show " + FormatDate(date));
}

void SimFormWindow::ChoosePriority(std::wstring_view control, int priority) {
    const auto self = shared_from_this();
    Control& c = Usable(control);
    if (c.setup.kind != FormControlKind::ActiveX || !c.object || !owner_.site) Refuse(c.Label() + L" takes no priority");
    const ObjectPtr object = c.object;
    if (!UserFocus(c.setup.id)) return;
    if (!owner_.site->ChoosePriority(object, priority)) Refuse(c.Label() + L" has no priority " + std::to_wstring(priority));
}

void SimFormWindow::DropDown(std::wstring_view control) {
    const auto self = shared_from_this();
    Control& c = Usable(control);
    if (c.setup.kind != FormControlKind::ComboBox) Refuse(c.Label() + L" has no list");
    const int id = c.setup.id;
    if (!UserFocus(id)) return;
    events_->UserDroppedDown(id);
    if (!destroyed_) At(id).droppedDown = true;
}

void SimFormWindow::Pick(std::wstring_view control, int index) {
    const auto self = shared_from_this();
    Control& c = Usable(control);
    if (c.setup.kind != FormControlKind::ComboBox) Refuse(c.Label() + L" has no list");
    const int id = c.setup.id;
    if (!c.droppedDown) {
        DropDown(control);
        if (destroyed_) return;
    }
    Control& now = At(id);
    if (index < 0 || index >= static_cast<int>(now.list.size())) {
        now.droppedDown = false;
        Refuse(now.Label() + L" has no entry " + std::to_wstring(index));
    }
    now.droppedDown = false;
    now.selected = index;
    now.setup.text = now.list[static_cast<std::size_t>(index)];
    now.selStart = 0;
    now.selLength = static_cast<int>(now.setup.text.size());
    events_->UserPicked(id, index);
}

void SimFormWindow::Pick(std::wstring_view control, const std::wstring& entry) {
    const auto self = shared_from_this();
    Control& c = Usable(control);
    if (c.setup.kind != FormControlKind::ComboBox) Refuse(c.Label() + L" has no list");
    const int id = c.setup.id;
    if (!c.droppedDown) {
        DropDown(control);
        if (destroyed_) return;
    }
    const auto& list = At(id).list;
    const auto it = std::find(list.begin(), list.end(), entry);
    if (it == list.end()) {
        At(id).droppedDown = false;
        Refuse(At(id).Label() + L" has no entry '" + entry + L"'");
    }
    Pick(control, static_cast<int>(it - list.begin()));
}

void SimFormWindow::Close() {
    const auto self = shared_from_this();
    if (destroyed_) Refuse(L"The window " + formName_ + L" is gone");
    if (!visible_) Refuse(L"The window " + formName_ + L" is hidden");
    events_->UserClosing();
}

void SimFormWindow::Keys(std::wstring_view keys) {
    const auto self = shared_from_this();
    std::size_t i = 0;
    while (i < keys.size()) {
        while (i < keys.size() && keys[i] == L' ') ++i;
        std::size_t j = i;
        while (j < keys.size() && keys[j] != L' ') ++j;
        if (j > i) {
            if (destroyed_) Refuse(L"The window " + formName_ + L" is gone");
            Key(keys.substr(i, j - i));
        }
        i = j;
    }
}

void SimFormWindow::Mnemonic(wchar_t letter) {
    const auto order = TabOrder();
    const std::size_t n = order.size();
    // Starting after the focused control, so a second press reaches the next one with the letter.
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (order[i]->setup.id == focused_) start = i + 1;
    }
    for (std::size_t k = 0; k < n; ++k) {
        const Control* c = order[(start + k) % n];
        if (!c->setup.visible || MnemonicOf(c->setup.caption) != FoldCase(letter)) continue;
        if (c->setup.kind == FormControlKind::Label || c->setup.kind == FormControlKind::Frame) {
            // A label gives the focus to the control after it in tab order.
            std::size_t at = 0;
            while (order[at] != c) ++at;
            for (std::size_t m = 1; m < n; ++m) {
                const Control* next = order[(at + m) % n];
                if (CanFocus(*next)) {
                    UserFocus(next->setup.id);
                    return;
                }
            }
            return;
        }
        if (!c->setup.enabled) continue;
        const int id = c->setup.id;
        if (c->setup.kind == FormControlKind::CommandButton) {
            if (UserFocus(id)) PressButton(At(id));
        } else if (c->setup.kind == FormControlKind::CheckBox || c->setup.kind == FormControlKind::OptionButton) {
            if (!UserFocus(id)) return;
            Control& now = At(id);
            now.setup.value = now.setup.kind == FormControlKind::OptionButton || now.setup.value != 1 ? 1 : 0;
            events_->UserValueChanged(id, now.setup.value);
        } else if (CanFocus(*c)) {
            UserFocus(id);
        }
        return;
    }
}

void SimFormWindow::Key(std::wstring_view key) {
    int shift = 0;
    for (;;) {
        if (key.size() > 6 && EqualsNoCase(key.substr(0, 6), L"Shift+")) {
            shift |= kShiftMask;
            key.remove_prefix(6);
        } else if (key.size() > 5 && EqualsNoCase(key.substr(0, 5), L"Ctrl+")) {
            shift |= kCtrlMask;
            key.remove_prefix(5);
        } else if (key.size() > 4 && EqualsNoCase(key.substr(0, 4), L"Alt+")) {
            shift |= kAltMask;
            key.remove_prefix(4);
        } else {
            break;
        }
    }
    int code = 0;
    wchar_t typed = 0;
    if (EqualsNoCase(key, L"Enter") || EqualsNoCase(key, L"Return")) {
        code = kKeyReturn;
    } else if (EqualsNoCase(key, L"Esc") || EqualsNoCase(key, L"Escape")) {
        code = kKeyEscape;
    } else if (EqualsNoCase(key, L"Tab")) {
        code = kKeyTab;
    } else if (EqualsNoCase(key, L"Space")) {
        code = L' ';
    } else if (key.size() == 1 && ((key[0] >= L'A' && key[0] <= L'Z') || (key[0] >= L'a' && key[0] <= L'z') ||
                                   (key[0] >= L'0' && key[0] <= L'9'))) {
        typed = key[0];
        code = key[0] >= L'a' && key[0] <= L'z' ? key[0] - L'a' + L'A' : key[0];
    } else {
        Refuse(L"Unknown key '" + std::wstring(key) + L"'");
    }
    if (!visible_) Refuse(L"The window " + formName_ + L" is hidden");
    if (focused_ >= 0) {
        events_->UserKeyDown(focused_, code, shift);
        if (destroyed_) return;
    }
    Control* dropped = nullptr;
    for (auto& c : controls_) {
        if (c.droppedDown) dropped = &c;
    }
    if (code == kKeyReturn || code == kKeyEscape) {
        if (dropped) {
            dropped->droppedDown = false;
            return;
        }
        Control* target = nullptr;
        if (code == kKeyReturn && focused_ >= 0 && At(focused_).setup.kind == FormControlKind::CommandButton) {
            target = &At(focused_);
        }
        for (auto& c : controls_) {
            if (target) break;
            const bool role = code == kKeyReturn ? c.setup.isDefault : c.setup.isCancel;
            if (role && c.setup.kind == FormControlKind::CommandButton && c.setup.visible && c.setup.enabled) target = &c;
        }
        if (target) PressButton(*target);
        return;
    }
    if (code == kKeyTab) {
        if (dropped) dropped->droppedDown = false;
        const auto order = TabOrder();
        const int n = static_cast<int>(order.size());
        int at = -1;
        for (int i = 0; i < n; ++i) {
            if (order[static_cast<std::size_t>(i)]->setup.id == focused_) at = i;
        }
        const int step = (shift & kShiftMask) ? -1 : 1;
        for (int k = 1; k <= n; ++k) {
            const int i = ((at < 0 ? (step > 0 ? -1 : 0) : at) + step * k % n + n * 2) % n;
            const Control* c = order[static_cast<std::size_t>(i)];
            if (CanFocus(*c) && c->setup.tabStop) {
                UserFocus(c->setup.id);
                return;
            }
        }
        return;
    }
    if (shift & kAltMask) {
        if (code != L' ') Mnemonic(static_cast<wchar_t>(code));
        return;
    }
    if (focused_ < 0) return;
    Control& f = At(focused_);
    if (code == L' ' && f.setup.kind == FormControlKind::CommandButton) {
        PressButton(f);
    } else if (code == L' ' && f.setup.kind == FormControlKind::CheckBox) {
        f.setup.value = f.setup.value == 1 ? 0 : 1;
        events_->UserValueChanged(f.setup.id, f.setup.value);
    } else if (Editable(f.setup.kind)) {
        // A printable key types its character, as written, at the end of the text.
        f.setup.text += code == L' ' ? L' ' : typed;
        f.selStart = static_cast<int>(f.setup.text.size());
        f.selLength = 0;
        if (f.setup.kind == FormControlKind::ComboBox) f.selected = -1;
        events_->UserTextChanged(f.setup.id, f.setup.text);
    }
}

// --- FormWindow -----------------------------------------------------------------------------

ObjectPtr SimFormWindow::AddControl(const ControlSetup& setup) {
    if (destroyed_) Raise(err::InvalidCall, L"The window is gone");
    Control c;
    c.setup = setup;
    if (setup.kind == FormControlKind::ActiveX) {
        ObjectFactory* objects = CurrentPlatform().objects;
        if (!objects) Raise(err::CantCreateObject, L"ActiveX component can't create object: " + setup.classId);
        c.object = objects->CreateObject(setup.classId);
        if (owner_.site) {
            owner_.site->Activate(c.object, std::max(0, setup.rect.width / TwipsPerPixelX()),
                                  std::max(0, setup.rect.height / TwipsPerPixelY()));
        }
    }
    controls_.push_back(std::move(c));
    return controls_.back().object;
}

void SimFormWindow::AttachLinkLabel(int id, LinkLabelView& view) { At(id).link = dynamic_cast<SimLinkLabelView*>(&view); }

void SimFormWindow::SetControlProperty(int id, ControlProperty property, const Value& value) {
    Control& c = At(id);
    switch (property) {
        case ControlProperty::Caption: c.setup.caption = value.AsString(); break;
        case ControlProperty::Text: c.setup.text = value.AsString(); break;
        case ControlProperty::Value:
            c.setup.value = value.type() == VarType::Boolean ? (value.AsBool() ? 1 : 0) : value.AsInt();
            break;
        case ControlProperty::Visible:
            c.setup.visible = value.AsBool();
            if (!c.setup.visible) c.droppedDown = false;
            break;
        case ControlProperty::Enabled:
            c.setup.enabled = value.AsBool();
            if (!c.setup.enabled) c.droppedDown = false;
            break;
        case ControlProperty::FontBold: c.setup.fontBold = value.AsBool(); break;
        case ControlProperty::Default: c.setup.isDefault = value.AsBool(); break;
        case ControlProperty::Cancel: c.setup.isCancel = value.AsBool(); break;
        case ControlProperty::TabStop: c.setup.tabStop = Takes(c.setup.kind) && value.AsBool(); break;
        case ControlProperty::TabIndex: c.setup.tabIndex = value.AsInt(); break;
        case ControlProperty::ToolTipText: c.setup.toolTipText = value.AsString(); break;
        case ControlProperty::SelStart: c.selStart = value.AsInt(); break;
        case ControlProperty::SelLength: c.selLength = value.AsInt(); break;
    }
}

void SimFormWindow::SetControlRect(int id, const TwipsRect& rect) {
    Control& c = At(id);
    c.setup.rect = rect;
    if (c.object && owner_.site) {
        owner_.site->Activate(c.object, std::max(0, rect.width / TwipsPerPixelX()), std::max(0, rect.height / TwipsPerPixelY()));
    }
}

void SimFormWindow::SetLineEnds(int id, TwipsPoint from, TwipsPoint to) {
    Control& c = At(id);
    c.setup.lineFrom = from;
    c.setup.lineTo = to;
    c.setup.rect = {std::min(from.x, to.x), std::min(from.y, to.y), std::abs(to.x - from.x), std::abs(to.y - from.y)};
}

TwipsSize SimFormWindow::MeasureCaption(int id, const std::wstring& caption) {
    const Control& c = At(id);
    // The metric of the in-memory link label: 6 pixels a character (7 bold), 13 a line; a
    // mnemonic's "&" takes no room.
    int longest = 0, current = 0, lines = 1;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const wchar_t ch = caption[i];
        if (ch == L'\n') {
            ++lines;
            current = 0;
            continue;
        }
        if (ch == L'\r') continue;
        if (ch == L'&' && i + 1 < caption.size()) {
            if (caption[i + 1] != L'&') continue;
            ++i;
        }
        longest = std::max(longest, ++current);
    }
    const int charWidth = c.setup.fontBold ? SimLinkLabelView::kBoldCharWidthPx : SimLinkLabelView::kCharWidthPx;
    return {longest * charWidth * TwipsPerPixelX(), lines * SimLinkLabelView::kLineHeightPx * TwipsPerPixelY()};
}

void SimFormWindow::ListInsert(int id, int index, const std::wstring& text) {
    Control& c = At(id);
    const auto at = static_cast<std::size_t>(std::clamp(index, 0, static_cast<int>(c.list.size())));
    c.list.insert(c.list.begin() + static_cast<std::ptrdiff_t>(at), text);
    if (c.selected >= static_cast<int>(at)) ++c.selected;
}

void SimFormWindow::ListRemove(int id, int index) {
    Control& c = At(id);
    if (index < 0 || index >= static_cast<int>(c.list.size())) return;
    c.list.erase(c.list.begin() + index);
    if (c.selected == index) {
        c.selected = -1;
    } else if (c.selected > index) {
        --c.selected;
    }
}

void SimFormWindow::ListClear(int id) {
    Control& c = At(id);
    c.list.clear();
    c.selected = -1;
    c.setup.text.clear();
}

void SimFormWindow::ListSelect(int id, int index) {
    Control& c = At(id);
    c.selected = index >= 0 && index < static_cast<int>(c.list.size()) ? index : -1;
    c.setup.text = c.selected >= 0 ? c.list[static_cast<std::size_t>(c.selected)] : std::wstring();
}

void SimFormWindow::SetFocus(int id) {
    Control& c = At(id);
    if (destroyed_ || !visible_ || !enabled_ || !CanFocus(c)) {
        Raise(err::InvalidCall, L"Invalid procedure call or argument");
    }
    const int from = focused_;
    if (from == id) return;
    focused_ = id;
    events_->FocusMoved(from, id);
}

void SimFormWindow::Show() {
    const auto self = shared_from_this();
    if (destroyed_) return;
    visible_ = true;
    ++showCount_;
    Activate();
    if (destroyed_ || focused_ >= 0) return;
    for (const Control* c : TabOrder()) {
        if (CanFocus(*c) && c->setup.tabStop) {
            const int id = c->setup.id;
            focused_ = id;
            events_->FocusMoved(-1, id);
            return;
        }
    }
}

void SimFormWindow::Hide() {
    visible_ = false;
    active_ = false;
    for (auto& c : controls_) c.droppedDown = false;
}

void SimFormWindow::Activate() {
    const auto self = shared_from_this();
    if (destroyed_ || !visible_) return;
    for (SimFormWindow* w : owner_.live_) w->active_ = w == this;
    events_->Activated();
}

void SimFormWindow::Destroy() noexcept {
    if (destroyed_) return;
    destroyed_ = true;
    visible_ = false;
    active_ = false;
    static NoEvents none;
    events_ = &none;  // the form may be gone
    for (auto& c : controls_) {
        if (c.object && owner_.site) owner_.site->Deactivate(c.object);
        c.object.reset();
        c.link = nullptr;
    }
    std::erase(owner_.live_, this);
}

// --- SimFormWindows -------------------------------------------------------------------------

std::shared_ptr<FormWindow> SimFormWindows::Create(const std::wstring& formName, const std::wstring& caption,
                                                   const TwipsRect& rect, FormWindowEvents& events) {
    if (failCreate) {
        failCreate = false;
        Raise(err::CantCreateObject, L"The window of " + formName + L" can't be made");
    }
    ++created;
    const std::uintptr_t handle = nextHandle_;
    nextHandle_ += 0x10;
    return std::make_shared<SimFormWindow>(*this, handle, formName, caption, rect, events);
}

SimFormWindow* SimFormWindows::Find(std::wstring_view formName) const {
    for (auto it = live_.rbegin(); it != live_.rend(); ++it) {
        if (EqualsNoCase((*it)->formName(), formName)) return *it;
    }
    return nullptr;
}

SimFormWindow* SimFormWindows::ByHandle(std::uintptr_t handle) const {
    for (SimFormWindow* w : live_) {
        if (w->Handle() == handle) return w;
    }
    return nullptr;
}

}  // namespace brisko::sim
