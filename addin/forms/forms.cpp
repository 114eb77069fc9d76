#include "addin/forms/forms.h"

#include <algorithm>

#include "addin/dialogs/CLinkLabel.h"
#include "addin/host/mTorvik.h"
#include "addin/lang/mFileUtils.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace brisko::forms {

namespace {

int g_twipsX = 15;
int g_twipsY = 15;

constexpr std::int32_t kControlArrayElementMissing = 340;
constexpr std::int32_t kNotAnArray = 343;
constexpr std::int32_t kInvalidPicture = 481;
constexpr std::int32_t kPathFileAccess = 75;
constexpr std::int32_t kControlNotFound = 730;
constexpr std::int32_t kInvalidPropertyValue = 380;
constexpr std::int32_t kInvalidPropertyArrayIndex = 381;
constexpr std::size_t kMaxPictureBytes = 16u << 20;

bool IsNumberProperty(std::wstring_view p) {
    for (const wchar_t* n : {L"Left", L"Top", L"Width", L"Height", L"X1", L"Y1", L"X2", L"Y2", L"TabIndex"}) {
        if (EqualsNoCase(p, n)) return true;
    }
    return false;
}

bool IsFlagProperty(std::wstring_view p) {
    for (const wchar_t* n : {L"Visible", L"Enabled", L"Default", L"Cancel", L"FontBold", L"AutoSize", L"TabStop"}) {
        if (EqualsNoCase(p, n)) return true;
    }
    return false;
}

bool DefaultsTrue(std::wstring_view p) {
    return EqualsNoCase(p, L"Visible") || EqualsNoCase(p, L"Enabled") || EqualsNoCase(p, L"TabStop");
}

// What a property stores when it is set: numbers as whole twips, pictures as objects, texts.
Value Coerce(std::wstring_view property, const Value& value) {
    if (EqualsNoCase(property, L"Picture")) {
        if (value.IsEmpty()) return Value(ObjectPtr());
        return Value(value.AsObject());
    }
    if (IsNumberProperty(property)) return Value(value.AsInt());
    if (IsFlagProperty(property)) return Value(value.AsBool());
    if (EqualsNoCase(property, L"Value")) return value;
    return Value(value.AsString());
}

Value DefaultOf(std::wstring_view property) {
    if (EqualsNoCase(property, L"Picture")) return Value(ObjectPtr());
    if (IsNumberProperty(property)) return Value(0);
    if (IsFlagProperty(property)) return Value(DefaultsTrue(property));
    if (EqualsNoCase(property, L"Value")) return Value(0);
    return Value(std::wstring());
}

void NeedArgs(const Args& args, std::size_t n) {
    if (args.size() != n) Raise(err::WrongArguments);
}

}  // namespace

int TwipsPerPixelX() noexcept { return g_twipsX; }
int TwipsPerPixelY() noexcept { return g_twipsY; }
void SetTwipsPerPixel(int x, int y) noexcept {
    g_twipsX = x;
    g_twipsY = y;
}

Value CPicture::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (kind == CallKind::Get && args.empty()) {
        // Handle: non-zero for a picture that holds an image.
        if (EqualsNoCase(name, L"Handle")) return Value(bytes_.empty() ? 0 : 1);
        if (EqualsNoCase(name, L"Type")) return Value(bytes_.empty() ? 0 : 1);
    }
    Raise(err::NotSupported);
}

ObjectPtr LoadPicture(const std::wstring& path) {
    auto& files = mFileUtils::PlatformFiles();
    std::uint32_t error = 0;
    auto file = files.OpenRead(mFileUtils::AnsiPath(path), error);
    if (!file) Raise(err::FileNotFound, L"File not found: " + path);
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    for (;;) {
        std::uint32_t got = 0;
        if (!file->Read(chunk, sizeof chunk, got, error)) Raise(kInvalidPicture, L"Invalid picture");
        if (got == 0) break;
        // No picture of a dialog comes near this; a bigger file isn't one.
        if (bytes.size() + got > kMaxPictureBytes) Raise(kInvalidPicture, L"Invalid picture");
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (bytes.empty()) Raise(kInvalidPicture, L"Invalid picture");
    return std::make_shared<CPicture>(std::move(bytes), path);
}

void SavePicture(const ObjectPtr& picture, const std::wstring& path) {
    const auto* p = dynamic_cast<const CPicture*>(picture.get());
    if (!p) Raise(kInvalidPicture, L"Invalid picture");
    std::uint32_t error = 0;
    auto file = mFileUtils::PlatformFiles().CreateWrite(mFileUtils::AnsiPath(path), error);
    const std::string_view bytes(reinterpret_cast<const char*>(p->bytes().data()), p->bytes().size());
    if (!file || !file->Write(bytes, error)) Raise(kPathFileAccess, L"Path/File access error");
}

PropertyHolder::PropertyHolder(const std::vector<std::wstring>& properties) {
    for (const auto& p : properties) slots_.push_back({p, DefaultOf(p)});
}

const PropertyHolder::Slot* PropertyHolder::Find(std::wstring_view property) const {
    for (const auto& s : slots_) {
        if (EqualsNoCase(s.name, property)) return &s;
    }
    return nullptr;
}

bool PropertyHolder::Has(std::wstring_view property) const { return Find(property) != nullptr; }

Value PropertyHolder::Property(std::wstring_view property) const {
    const Slot* s = Find(property);
    if (!s) Raise(err::NotSupported);
    return s->value;
}

void PropertyHolder::Store(std::wstring_view property, const Value& value) {
    auto* s = const_cast<Slot*>(Find(property));
    if (!s) Raise(err::NotSupported);
    s->value = Coerce(s->name, value);
}

void PropertyHolder::SetProperty(std::wstring_view property, const Value& value) {
    auto* s = const_cast<Slot*>(Find(property));
    if (!s) Raise(err::NotSupported);
    Value stored = Coerce(s->name, value);
    Value before = std::move(s->value);
    s->value = stored;
    const std::wstring name = s->name;  // Changed may touch other slots, never add any
    Changed(name, stored, before);
}

Value PropertyHolder::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    switch (kind) {
        case CallKind::Get:
            NeedArgs(args, 0);
            return Property(name);
        case CallKind::Put:
        case CallKind::PutRef:
            NeedArgs(args, 1);
            SetProperty(name, args[0]);
            return {};
        case CallKind::Method:
            break;
    }
    Raise(err::NotSupported);
}

// --- Controls -------------------------------------------------------------------------------

namespace {

bool Is(std::wstring_view kind, const wchar_t* name) { return EqualsNoCase(kind, name); }

FormControlKind KindOf(std::wstring_view kind) {
    if (Is(kind, L"CommandButton")) return FormControlKind::CommandButton;
    if (Is(kind, L"CheckBox")) return FormControlKind::CheckBox;
    if (Is(kind, L"OptionButton")) return FormControlKind::OptionButton;
    if (Is(kind, L"Frame")) return FormControlKind::Frame;
    if (Is(kind, L"TextBox")) return FormControlKind::TextBox;
    if (Is(kind, L"ComboBox")) return FormControlKind::ComboBox;
    if (Is(kind, L"PictureBox")) return FormControlKind::PictureBox;
    if (Is(kind, L"Image")) return FormControlKind::Image;
    if (Is(kind, L"Line")) return FormControlKind::Line;
    if (Is(kind, L"LinkLabel")) return FormControlKind::LinkLabel;
    if (CControl::IsLibraryKind(kind)) return FormControlKind::ActiveX;
    return FormControlKind::Label;
}

// What the form keeps for every control, whatever its kind.
bool IsExtender(std::wstring_view member) {
    for (const wchar_t* n : {L"Name", L"Index", L"Left", L"Top", L"Width", L"Height", L"Visible", L"Enabled",
                             L"TabIndex", L"TabStop", L"ToolTipText"}) {
        if (EqualsNoCase(member, n)) return true;
    }
    return false;
}

bool IsRectProperty(std::wstring_view p) {
    return EqualsNoCase(p, L"Left") || EqualsNoCase(p, L"Top") || EqualsNoCase(p, L"Width") || EqualsNoCase(p, L"Height");
}

bool IsLineEnd(std::wstring_view p) {
    return EqualsNoCase(p, L"X1") || EqualsNoCase(p, L"Y1") || EqualsNoCase(p, L"X2") || EqualsNoCase(p, L"Y2");
}

std::optional<ControlProperty> WindowProperty(std::wstring_view p) {
    static const std::pair<const wchar_t*, ControlProperty> kMap[] = {
        {L"Caption", ControlProperty::Caption},   {L"Text", ControlProperty::Text},
        {L"Value", ControlProperty::Value},       {L"Visible", ControlProperty::Visible},
        {L"Enabled", ControlProperty::Enabled},   {L"FontBold", ControlProperty::FontBold},
        {L"Default", ControlProperty::Default},   {L"Cancel", ControlProperty::Cancel},
        {L"TabStop", ControlProperty::TabStop},   {L"TabIndex", ControlProperty::TabIndex},
        {L"ToolTipText", ControlProperty::ToolTipText}};
    for (const auto& [name, prop] : kMap) {
        if (EqualsNoCase(p, name)) return prop;
    }
    return std::nullopt;
}

int OptionalInt(const Args& args, std::size_t i, int fallback) {
    return i < args.size() && !args[i].IsEmptyOrMissing() ? args[i].AsInt() : fallback;
}

}  // namespace

bool CControl::IsLibraryKind(std::wstring_view kind) {
    return Is(kind, L"SysMonthCal32") || Is(kind, L"SysDateTimePick32") || Is(kind, L"PriorityBar") ||
           Is(kind, L"EditBox");
}

std::vector<std::wstring> CControl::KindProperties(std::wstring_view kind) {
    const std::vector<std::wstring> box = {L"Left", L"Top", L"Width", L"Height", L"ToolTipText", L"Visible", L"Enabled"};
    auto with = [&](std::initializer_list<const wchar_t*> extra) {
        std::vector<std::wstring> v;
        for (const wchar_t* e : extra) v.emplace_back(e);
        v.insert(v.end(), box.begin(), box.end());
        return v;
    };
    if (Is(kind, L"Line")) return {L"X1", L"Y1", L"X2", L"Y2", L"Visible"};
    if (Is(kind, L"Label")) return with({L"Caption", L"AutoSize", L"FontBold", L"TabIndex"});
    if (Is(kind, L"Frame") || Is(kind, L"LinkLabel")) return with({L"Caption", L"FontBold", L"TabIndex"});
    if (Is(kind, L"CommandButton")) {
        return with({L"Caption", L"Picture", L"Value", L"Default", L"Cancel", L"FontBold", L"TabIndex", L"TabStop"});
    }
    if (Is(kind, L"CheckBox") || Is(kind, L"OptionButton")) {
        return with({L"Caption", L"Picture", L"Value", L"FontBold", L"TabIndex", L"TabStop"});
    }
    if (Is(kind, L"TextBox") || Is(kind, L"ComboBox") || Is(kind, L"EditBox")) {
        return with({L"Text", L"FontBold", L"TabIndex", L"TabStop"});
    }
    if (Is(kind, L"PictureBox")) return with({L"Picture", L"TabIndex", L"TabStop"});
    if (Is(kind, L"Image")) return with({L"Picture"});
    if (Is(kind, L"SysMonthCal32") || Is(kind, L"SysDateTimePick32") || Is(kind, L"PriorityBar")) {
        return with({L"Value", L"TabIndex", L"TabStop"});
    }
    return box;
}

CControl::CControl(std::wstring kind, std::wstring name, std::optional<int> index)
    : CControl(kind, std::move(name), index, KindProperties(kind)) {}

CControl::CControl(std::wstring kind, std::wstring name, std::optional<int> index,
                   const std::vector<std::wstring>& properties)
    : PropertyHolder(properties), kind_(std::move(kind)), name_(std::move(name)), index_(index) {}

CControl::~CControl() = default;

std::wstring CControl::ClassId() const { return IsLibraryKind(kind_) ? L"Kelvane." + kind_ : std::wstring(); }

bool CControl::IsCombo() const { return Is(kind_, L"ComboBox"); }

void CControl::NeedCombo() const {
    if (!IsCombo()) Raise(err::NotSupported);
}

bool CControl::Forwards(std::wstring_view member) const { return inner_ && !IsExtender(member); }

int CControl::ListCount() const {
    NeedCombo();
    return static_cast<int>(list_.size());
}

std::wstring CControl::List(int index) const {
    NeedCombo();
    if (index < 0) Raise(kInvalidPropertyArrayIndex, L"Invalid property array index");
    // Beyond the last entry the list reads empty, as a list box's does.
    return index < ListCount() ? list_[static_cast<std::size_t>(index)].text : std::wstring();
}

std::int32_t CControl::ItemData(int index) const {
    NeedCombo();
    if (index < 0 || index >= ListCount()) Raise(kInvalidPropertyArrayIndex, L"Invalid property array index");
    return list_[static_cast<std::size_t>(index)].data;
}

void CControl::SetItemData(int index, std::int32_t data) {
    NeedCombo();
    if (index < 0 || index >= ListCount()) Raise(kInvalidPropertyArrayIndex, L"Invalid property array index");
    list_[static_cast<std::size_t>(index)].data = data;
}

int CControl::ListIndex() const {
    NeedCombo();
    return listIndex_;
}

void CControl::SetListIndex(int index) {
    NeedCombo();
    if (index < -1 || index >= ListCount()) Raise(kInvalidPropertyValue, L"Invalid property value");
    listIndex_ = index;
    FormWindow* w = form_ ? form_->Window() : nullptr;
    // No selection leaves the edit field empty, as the window's own list does.
    Store(L"Text", Value(index >= 0 ? list_[static_cast<std::size_t>(index)].text : std::wstring()));
    if (w) w->ListSelect(id_, index);
    RaiseEvent(L"Click");
}

void CControl::AddItem(const std::wstring& item, std::optional<int> index) {
    NeedCombo();
    const int at = index.value_or(ListCount());
    if (at < 0 || at > ListCount()) Raise(err::InvalidCall, L"Invalid procedure call or argument");
    list_.insert(list_.begin() + at, ListEntry{item, 0});
    if (listIndex_ >= at) ++listIndex_;
    if (FormWindow* w = form_ ? form_->Window() : nullptr) w->ListInsert(id_, at, item);
}

void CControl::RemoveItem(int index) {
    NeedCombo();
    if (index < 0 || index >= ListCount()) Raise(err::InvalidCall, L"Invalid procedure call or argument");
    list_.erase(list_.begin() + index);
    if (listIndex_ == index) {
        listIndex_ = -1;
    } else if (listIndex_ > index) {
        --listIndex_;
    }
    if (FormWindow* w = form_ ? form_->Window() : nullptr) w->ListRemove(id_, index);
}

void CControl::ClearList() {
    NeedCombo();
    list_.clear();
    listIndex_ = -1;
    if (FormWindow* w = form_ ? form_->Window() : nullptr) w->ListClear(id_);
    // The edit field goes with the list, as the window's reset clears it.
    SetProperty(L"Text", Value(std::wstring()));
}

void CControl::SetFocus() {
    FormWindow* w = form_ ? form_->Window() : nullptr;
    if (!w) Raise(err::InvalidCall, L"Invalid procedure call or argument");
    w->SetFocus(id_);
}

void CControl::RaiseEvent(std::wstring_view event, Args& args) { events_.Raise(event, args); }

EventConnection CControl::ConnectEvents(EventHandler handler) { return events_.Connect(std::move(handler)); }

void CControl::AutoSizeLabel() {
    FormWindow* w = form_ ? form_->Window() : nullptr;
    if (!w || !Is(kind_, L"Label") || !Property(L"AutoSize").AsBool()) return;
    const TwipsSize size = w->MeasureCaption(id_, Property(L"Caption").AsString());
    Store(L"Width", Value(size.width));
    Store(L"Height", Value(size.height));
    w->SetControlRect(id_, {Property(L"Left").AsInt(), Property(L"Top").AsInt(), size.width, size.height});
}

void CControl::Changed(const std::wstring& property, const Value& value, const Value& before) {
    if (EqualsNoCase(property, L"TabIndex") && form_) form_->TabIndexChanged(*this, before.AsInt());
    if ((EqualsNoCase(property, L"Default") || EqualsNoCase(property, L"Cancel")) && form_ && value.AsBool()) {
        form_->DefaultOrCancelChanged(*this, property);
    }
    FormWindow* w = form_ ? form_->Window() : nullptr;
    const bool changed = !(value == before);
    if (EqualsNoCase(property, L"Text") && changed && IsCombo() && !fromUser_) {
        // The entry that reads exactly so becomes the selection, as the window's own search finds
        // it; the window is told before the text, which a selection of none may clear.
        listIndex_ = -1;
        for (std::size_t i = 0; i < list_.size(); ++i) {
            if (list_[i].text == value.AsString()) {
                listIndex_ = static_cast<int>(i);
                break;
            }
        }
        if (w) w->ListSelect(id_, listIndex_);
    }
    if (w) {
        if (EqualsNoCase(property, L"Picture")) {
            const auto* picture = dynamic_cast<const CPicture*>(value.IsObject() ? value.AsObject().get() : nullptr);
            w->SetControlPicture(id_, picture ? picture->bytes() : std::vector<std::uint8_t>());
        } else if (IsRectProperty(property)) {
            const TwipsRect r{Property(L"Left").AsInt(), Property(L"Top").AsInt(), Property(L"Width").AsInt(),
                              Property(L"Height").AsInt()};
            if (inner_ && Is(kind_, L"LinkLabel")) inner_->Call(L"Move", {r.left, r.top, r.width, r.height});
            w->SetControlRect(id_, r);
        } else if (IsLineEnd(property)) {
            w->SetLineEnds(id_, {Property(L"X1").AsInt(), Property(L"Y1").AsInt()},
                           {Property(L"X2").AsInt(), Property(L"Y2").AsInt()});
        } else if (const auto p = WindowProperty(property); p && !fromUser_) {
            if (inner_ && Is(kind_, L"LinkLabel") &&
                (*p == ControlProperty::Visible || *p == ControlProperty::Enabled || *p == ControlProperty::ToolTipText)) {
                inner_->Put(property, value);
            }
            w->SetControlProperty(id_, *p, value);
        }
        if (EqualsNoCase(property, L"Caption") || (EqualsNoCase(property, L"AutoSize") && value.AsBool())) {
            AutoSizeLabel();
        }
    }
    if (EqualsNoCase(property, L"Text") && changed) {
        const int length = static_cast<int>(value.AsString().size());
        selStart_ = fromUser_ ? length : std::min(selStart_, length);
        selLength_ = 0;
        RaiseEvent(L"Change");
    }
    if (EqualsNoCase(property, L"Value") && changed && (Is(kind_, L"CheckBox") || Is(kind_, L"OptionButton"))) {
        RaiseEvent(L"Click");
    }
}

void CControl::UserTextChanged(const std::wstring& text) {
    fromUser_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{fromUser_};
    if (IsCombo()) listIndex_ = -1;
    SetProperty(L"Text", Value(text));
}

void CControl::UserValueChanged(int value) {
    fromUser_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{fromUser_};
    if (Is(kind_, L"OptionButton")) {
        SetProperty(L"Value", Value(value != 0));
    } else {
        SetProperty(L"Value", Value(value));
    }
}

void CControl::UserPicked(int index) {
    if (index < 0 || index >= ListCount()) return;
    listIndex_ = index;
    Store(L"Text", Value(list_[static_cast<std::size_t>(index)].text));
    selStart_ = 0;
    selLength_ = static_cast<int>(list_[static_cast<std::size_t>(index)].text.size());
    RaiseEvent(L"Click");
}

Value CControl::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (kind == CallKind::Get && args.empty()) {
        if (EqualsNoCase(name, L"Name")) return Value(name_);
        if (EqualsNoCase(name, L"Index")) {
            if (!index_) Raise(kNotAnArray, L"Object not an array");
            return Value(*index_);
        }
        // The link label sizes itself: its own size is the true one.
        if (inner_ && Is(kind_, L"LinkLabel") && (EqualsNoCase(name, L"Width") || EqualsNoCase(name, L"Height"))) {
            return inner_->Invoke(name, kind, args);
        }
    }
    if (kind == CallKind::Method && EqualsNoCase(name, L"SetFocus")) {
        NeedArgs(args, 0);
        SetFocus();
        return {};
    }
    if (kind == CallKind::Method && EqualsNoCase(name, L"Move") && Has(L"Left")) {
        if (args.empty() || args.size() > 4) Raise(err::WrongArguments);
        const int left = args[0].AsInt();
        const int top = OptionalInt(args, 1, Property(L"Top").AsInt());
        const int width = OptionalInt(args, 2, Property(L"Width").AsInt());
        const int height = OptionalInt(args, 3, Property(L"Height").AsInt());
        Store(L"Left", Value(left));
        Store(L"Top", Value(top));
        Store(L"Width", Value(width));
        SetProperty(L"Height", Value(height));  // one notification with the whole rectangle
        return {};
    }
    if (Forwards(name)) return inner_->Invoke(name, kind, args);
    if (IsCombo()) {
        if (EqualsNoCase(name, L"ListCount") && kind == CallKind::Get) {
            NeedArgs(args, 0);
            return Value(ListCount());
        }
        if (EqualsNoCase(name, L"List")) {
            if (kind == CallKind::Get) {
                NeedArgs(args, 1);
                return Value(List(args[0].AsInt()));
            }
            if (kind == CallKind::Put) {
                NeedArgs(args, 2);
                const int i = args[0].AsInt();
                if (i < 0 || i >= ListCount()) Raise(kInvalidPropertyArrayIndex, L"Invalid property array index");
                const std::wstring text = args[1].AsString();
                list_[static_cast<std::size_t>(i)].text = text;
                if (FormWindow* w = form_ ? form_->Window() : nullptr) {
                    w->ListRemove(id_, i);
                    w->ListInsert(id_, i, text);
                    if (listIndex_ == i) w->ListSelect(id_, i);
                }
                return {};
            }
        }
        if (EqualsNoCase(name, L"ItemData")) {
            if (kind == CallKind::Get) {
                NeedArgs(args, 1);
                return Value(ItemData(args[0].AsInt()));
            }
            if (kind == CallKind::Put) {
                NeedArgs(args, 2);
                SetItemData(args[0].AsInt(), args[1].AsInt());
                return {};
            }
        }
        if (EqualsNoCase(name, L"ListIndex")) {
            if (kind == CallKind::Get) {
                NeedArgs(args, 0);
                return Value(ListIndex());
            }
            if (kind == CallKind::Put) {
                NeedArgs(args, 1);
                SetListIndex(args[0].AsInt());
                return {};
            }
        }
        if (kind == CallKind::Method) {
            if (EqualsNoCase(name, L"AddItem")) {
                if (args.empty() || args.size() > 2) Raise(err::WrongArguments);
                std::optional<int> at;
                if (args.size() == 2 && !args[1].IsEmptyOrMissing()) at = args[1].AsInt();
                AddItem(args[0].AsString(), at);
                return {};
            }
            if (EqualsNoCase(name, L"RemoveItem")) {
                NeedArgs(args, 1);
                RemoveItem(args[0].AsInt());
                return {};
            }
            if (EqualsNoCase(name, L"Clear")) {
                NeedArgs(args, 0);
                ClearList();
                return {};
            }
        }
    }
    if ((Is(kind_, L"TextBox") || IsCombo()) && (EqualsNoCase(name, L"SelStart") || EqualsNoCase(name, L"SelLength"))) {
        const bool start = EqualsNoCase(name, L"SelStart");
        if (kind == CallKind::Get) {
            NeedArgs(args, 0);
            return Value(start ? selStart_ : selLength_);
        }
        if (kind == CallKind::Put) {
            NeedArgs(args, 1);
            const int n = args[0].AsInt();
            if (n < 0) Raise(kInvalidPropertyValue, L"Invalid property value");
            const int length = static_cast<int>(Property(L"Text").AsString().size());
            if (start) {
                selStart_ = std::min(n, length);
                selLength_ = std::min(selLength_, length - selStart_);
            } else {
                selLength_ = std::min(n, length - selStart_);
            }
            if (FormWindow* w = form_ ? form_->Window() : nullptr) {
                w->SetControlProperty(id_, ControlProperty::SelStart, Value(selStart_));
                w->SetControlProperty(id_, ControlProperty::SelLength, Value(selLength_));
            }
            return {};
        }
    }
    if (kind == CallKind::Put && EqualsNoCase(name, L"Value") && Is(kind_, L"CheckBox")) {
        NeedArgs(args, 1);
        const int v = args[0].AsInt();
        if (v < 0 || v > 2) Raise(kInvalidPropertyValue, L"Invalid property value");
        SetProperty(L"Value", Value(v));
        return {};
    }
    return PropertyHolder::Invoke(name, kind, args);
}

std::shared_ptr<CControl> CControlArray::Element(int index) const {
    for (const auto& e : elements_) {
        if (e->Index() == index) return e;
    }
    Raise(kControlArrayElementMissing, L"Control array element '" + std::to_wstring(index) + L"' doesn't exist");
}

Value CControlArray::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (kind == CallKind::Get || kind == CallKind::Method) {
        if ((name.empty() || EqualsNoCase(name, L"Item")) && args.size() == 1) return Value(Element(args[0].AsInt()));
        if (EqualsNoCase(name, L"Count") && args.empty()) return Value(static_cast<int>(elements_.size()));
    }
    Raise(err::NotSupported);
}

void CControls::Add(const std::shared_ptr<CControl>& control) {
    if (control->Index()) {
        auto& arr = arrays_[LowerCase(control->Name())];
        if (!arr) arr = std::make_shared<CControlArray>(control->Name());
        arr->Add(control);
    }
    controls_.push_back(control);
}

std::shared_ptr<CControl> CControls::At(int position) const {
    if (position < 0 || position >= Count()) Raise(err::SubscriptOutOfRange);
    return controls_[static_cast<std::size_t>(position)];
}

ObjectPtr CControls::ByName(std::wstring_view name) const {
    if (const auto it = arrays_.find(LowerCase(name)); it != arrays_.end()) return it->second;
    for (const auto& c : controls_) {
        if (EqualsNoCase(c->Name(), name)) return c;
    }
    Raise(kControlNotFound, L"Control '" + std::wstring(name) + L"' not found");
}

std::shared_ptr<CControl> CControls::Find(std::wstring_view name, std::optional<int> index) const {
    for (const auto& c : controls_) {
        if (EqualsNoCase(c->Name(), name) && c->Index() == index) return c;
    }
    return nullptr;
}

Value CControls::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (kind == CallKind::Get || kind == CallKind::Method) {
        if ((name.empty() || EqualsNoCase(name, L"Item")) && args.size() == 1) {
            if (args[0].type() == VarType::String) return Value(ByName(args[0].AsString()));
            return Value(At(args[0].AsInt()));
        }
        if (EqualsNoCase(name, L"Count") && args.empty()) return Value(Count());
    }
    Raise(err::NotSupported);
}

// --- Forms ----------------------------------------------------------------------------------

CForm::CForm(std::wstring name)
    : PropertyHolder({L"Caption", L"Left", L"Top", L"Width", L"Height", L"Picture", L"Visible", L"Enabled"}),
      name_(std::move(name)),
      controls_(std::make_shared<CControls>()) {
    Store(L"Visible", Value(false));
}

CForm::~CForm() {
    for (int i = 0; i < controls_->Count(); ++i) controls_->At(i)->Bind(nullptr, -1);
    if (window_) window_->Destroy();
}

std::shared_ptr<CControl> CForm::Add(std::wstring kind, std::wstring name, std::wstring caption,
                                     std::optional<int> index) {
    auto c = std::make_shared<CControl>(std::move(kind), std::move(name), index);
    if (c->Has(L"Caption")) c->Store(L"Caption", Value(std::move(caption)));
    c->Bind(this, controls_->Count());
    controls_->Add(c);
    return c;
}

std::shared_ptr<CControl> CForm::Control(std::wstring_view name, std::optional<int> index) const {
    auto c = controls_->Find(name, index);
    if (!c) {
        Raise(kControlNotFound, L"Control '" + std::wstring(name) +
                                    (index ? L"(" + std::to_wstring(*index) + L")" : std::wstring()) + L"' not found");
    }
    return c;
}

std::shared_ptr<CControl> CForm::ById(int id) const {
    if (id < 0 || id >= controls_->Count()) return nullptr;
    return controls_->At(id);
}

TwipsRect CForm::Rect() const {
    return {Property(L"Left").AsInt(), Property(L"Top").AsInt(), Property(L"Width").AsInt(), Property(L"Height").AsInt()};
}

std::uintptr_t CForm::hWnd() const noexcept { return window_ ? window_->Handle() : 0; }

namespace {

ControlSetup SetupOf(const CControl& c) {
    ControlSetup s;
    s.id = c.Id();
    s.kind = KindOf(c.KindName());
    s.kindName = c.KindName();
    s.name = c.Name();
    s.index = c.Index();
    s.classId = c.ClassId();
    auto number = [&](const wchar_t* p) { return c.Has(p) ? c.Property(p).AsInt() : 0; };
    auto flag = [&](const wchar_t* p, bool fallback) { return c.Has(p) ? c.Property(p).AsBool() : fallback; };
    auto text = [&](const wchar_t* p) { return c.Has(p) ? c.Property(p).AsString() : std::wstring(); };
    if (s.kind == FormControlKind::Line) {
        s.lineFrom = {number(L"X1"), number(L"Y1")};
        s.lineTo = {number(L"X2"), number(L"Y2")};
        s.rect = {std::min(s.lineFrom.x, s.lineTo.x), std::min(s.lineFrom.y, s.lineTo.y),
                  std::abs(s.lineTo.x - s.lineFrom.x), std::abs(s.lineTo.y - s.lineFrom.y)};
    } else {
        s.rect = {number(L"Left"), number(L"Top"), number(L"Width"), number(L"Height")};
    }
    s.caption = text(L"Caption");
    s.text = text(L"Text");
    if (c.Has(L"Value") && (s.kind == FormControlKind::CheckBox || s.kind == FormControlKind::OptionButton)) {
        const Value v = c.Property(L"Value");
        s.value = v.type() == VarType::Boolean ? (v.AsBool() ? 1 : 0) : v.AsInt();
    }
    s.visible = flag(L"Visible", true);
    s.enabled = flag(L"Enabled", true);
    s.fontBold = flag(L"FontBold", false);
    s.isDefault = flag(L"Default", false);
    s.isCancel = flag(L"Cancel", false);
    const bool focusable = s.kind != FormControlKind::Label && s.kind != FormControlKind::Line &&
                           s.kind != FormControlKind::Frame && s.kind != FormControlKind::Image &&
                           s.kind != FormControlKind::LinkLabel;
    s.tabStop = focusable && flag(L"TabStop", true);
    s.tabIndex = number(L"TabIndex");
    s.toolTipText = text(L"ToolTipText");
    return s;
}

}  // namespace

void CForm::Load() {
    if (window_ || loading_) return;
    auto self = std::static_pointer_cast<CForm>(shared_from_this());
    FormWindows* windows = CurrentPlatform().formWindows;
    if (!windows) Raise(err::CantCreateObject, L"The platform has no form windows");
    SetTwipsPerPixel(windows->TwipsPerPixelX(), windows->TwipsPerPixelY());
    if (Property(L"Left").AsInt() == 0 && Property(L"Top").AsInt() == 0 && CurrentPlatform().desktop) {
        // Centred on the screen, as a dialog starts.
        Desktop& d = *CurrentPlatform().desktop;
        Store(L"Left", Value(std::max(0, (d.ScreenWidth() * windows->TwipsPerPixelX() - Property(L"Width").AsInt()) / 2)));
        Store(L"Top", Value(std::max(0, (d.ScreenHeight() * windows->TwipsPerPixelY() - Property(L"Height").AsInt()) / 2)));
    }
    std::shared_ptr<FormWindow> window = windows->Create(name_, Property(L"Caption").AsString(), Rect(), *this);
    auto release = [&] {
        for (int i = 0; i < controls_->Count(); ++i) {
            auto c = controls_->At(i);
            c->innerEvents_.Disconnect();
            c->inner_.reset();
        }
        window->Destroy();
    };
    try {
        if (!Property(L"Enabled").AsBool()) window->SetEnabled(false);
        for (int i = 0; i < controls_->Count(); ++i) {
            const auto c = controls_->At(i);
            const ControlSetup setup = SetupOf(*c);
            ObjectPtr object = window->AddControl(setup);
            if (c->Has(L"Picture")) {
                const Value v = c->Property(L"Picture");
                if (const auto* picture = dynamic_cast<const CPicture*>(v.IsObject() ? v.AsObject().get() : nullptr)) {
                    window->SetControlPicture(setup.id, picture->bytes());
                }
            }
            if (setup.kind == FormControlKind::LinkLabel) {
                auto link = CLinkLabel::Create(window->Handle());
                link->SetCaption(setup.caption);
                link->SetToolTipText(setup.toolTipText);
                link->SetEnabled(setup.enabled);
                link->SetFontBold(setup.fontBold);
                link->Move(setup.rect.left, setup.rect.top, setup.rect.width, setup.rect.height);
                link->SetVisible(setup.visible);
                window->AttachLinkLabel(setup.id, link->View());
                object = link;
            }
            if (object) {
                c->inner_ = object;
                std::weak_ptr<CControl> weak = c;
                try {
                    c->innerEvents_ = object->ConnectEvents([this, weak](std::wstring_view event, Args& args) {
                        const auto control = weak.lock();
                        if (!control) return;
                        Dispatch(control, event, [&] { control->RaiseEvent(event, args); });
                    });
                } catch (const RuntimeError& e) {
                    if (e.number() != err::NoEvents) throw;
                }
            }
        }
    } catch (...) {
        release();
        throw;
    }
    window_ = window;
    Forms().Add(self);
    loading_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{loading_};
    Form_Load();
    events_.Raise(L"Load");
}

void CForm::Show() {
    Load();
    if (!window_) return;
    Store(L"Visible", Value(true));
    window_->Show();
}

void CForm::Hide() {
    Store(L"Visible", Value(false));
    if (window_) window_->Hide();
}

bool CForm::Unload(int unloadMode) {
    if (!window_ || unloading_) return true;
    auto self = shared_from_this();
    int cancel = 0;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel == 0) {
        Args args{Value(0), Value(unloadMode)};
        events_.Raise(L"QueryUnload", args);
        cancel = args[0].IsEmptyOrMissing() ? 0 : args[0].AsInt();
    }
    if (cancel != 0) return false;
    Form_Unload(cancel);
    if (cancel == 0) {
        Args args{Value(0)};
        events_.Raise(L"Unload", args);
        cancel = args[0].IsEmptyOrMissing() ? 0 : args[0].AsInt();
    }
    if (cancel != 0 || !window_) return cancel == 0;
    unloading_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{unloading_};
    for (int i = 0; i < controls_->Count(); ++i) {
        auto c = controls_->At(i);
        c->innerEvents_.Disconnect();
        c->inner_.reset();
    }
    const auto window = std::move(window_);
    window->Destroy();
    Store(L"Visible", Value(false));
    Forms().Remove(this);
    return true;
}

void CForm::MakeTopmost() {
    if (window_) window_->MakeTopmost();
}

void CForm::ClearOwner() {
    if (window_) window_->ClearOwner();
}

void CForm::Activate() {
    if (window_) window_->Activate();
}

void CForm::SetUIState(bool hideAccelerators, bool hideFocus, bool update) {
    if (!window_) return;
    const std::uint32_t message = update ? kWmUpdateUIState : kWmChangeUIState;
    window_->SendUIState(message, (hideAccelerators ? kUisSet : kUisClear) | kUisfHideAccel);
    if (!window_) return;
    window_->SendUIState(message, (hideFocus ? kUisSet : kUisClear) | kUisfHideFocus);
}

std::shared_ptr<CControl> CForm::ActiveControl() const { return window_ ? ById(window_->FocusedControl()) : nullptr; }

void CForm::TabIndexChanged(CControl& control, int /*before*/) {
    // The tab order stays a numbering from 0: the others close up around the new place.
    std::vector<CControl*> order;
    for (int i = 0; i < controls_->Count(); ++i) {
        CControl* c = controls_->At(i).get();
        if (c != &control && c->Has(L"TabIndex")) order.push_back(c);
    }
    std::stable_sort(order.begin(), order.end(), [](CControl* a, CControl* b) {
        return a->Property(L"TabIndex").AsInt() < b->Property(L"TabIndex").AsInt();
    });
    const int wanted = std::clamp(control.Property(L"TabIndex").AsInt(), 0, static_cast<int>(order.size()));
    order.insert(order.begin() + wanted, &control);
    for (int i = 0; i < static_cast<int>(order.size()); ++i) {
        CControl* c = order[static_cast<std::size_t>(i)];
        const bool differs = c->Property(L"TabIndex").AsInt() != i;
        c->Store(L"TabIndex", Value(i));
        if (window_ && (differs || c == &control)) window_->SetControlProperty(c->Id(), ControlProperty::TabIndex, Value(i));
    }
}

void CForm::DefaultOrCancelChanged(CControl& control, const std::wstring& property) {
    // One default and one cancel button per form.
    for (int i = 0; i < controls_->Count(); ++i) {
        const auto c = controls_->At(i);
        if (c.get() == &control || !c->Has(property) || !c->Property(property).AsBool()) continue;
        c->Store(property, Value(false));
        if (window_) {
            window_->SetControlProperty(c->Id(), EqualsNoCase(property, L"Default") ? ControlProperty::Default
                                                                                    : ControlProperty::Cancel,
                                        Value(false));
        }
    }
}

void CForm::Changed(const std::wstring& property, const Value& value, const Value& /*before*/) {
    if (EqualsNoCase(property, L"Visible")) {
        if (value.AsBool()) {
            Show();
        } else {
            Hide();
        }
        return;
    }
    if (!window_) return;
    if (EqualsNoCase(property, L"Caption")) window_->SetCaption(value.AsString());
    if (IsRectProperty(property)) window_->SetRect(Rect());
    if (EqualsNoCase(property, L"Enabled")) window_->SetEnabled(value.AsBool());
}

Value CForm::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (kind == CallKind::Get && args.empty()) {
        if (EqualsNoCase(name, L"Name")) return Value(name_);
        if (EqualsNoCase(name, L"Controls")) return Value(ObjectPtr(controls_));
        if (EqualsNoCase(name, L"hWnd")) return Value(static_cast<long long>(hWnd()));
        if (EqualsNoCase(name, L"ActiveControl")) {
            auto c = ActiveControl();
            if (!c) Raise(err::ObjectNotSet, L"Object variable or With block variable not set");
            return Value(c);
        }
    }
    if (kind == CallKind::Method) {
        if (EqualsNoCase(name, L"Show")) {
            if (args.size() > 2) Raise(err::WrongArguments);
            // Modeless only: the add-in's forms never run a modal loop of their own.
            if (!args.empty() && !args[0].IsEmptyOrMissing() && args[0].AsInt() != 0) {
                Raise(err::InvalidCall, L"Invalid procedure call or argument");
            }
            Show();
            return {};
        }
        if (EqualsNoCase(name, L"Hide")) {
            NeedArgs(args, 0);
            Hide();
            return {};
        }
        if (EqualsNoCase(name, L"Move")) {
            if (args.empty() || args.size() > 4) Raise(err::WrongArguments);
            const TwipsRect r = Rect();
            Store(L"Left", Value(args[0].AsInt()));
            Store(L"Top", Value(OptionalInt(args, 1, r.top)));
            Store(L"Width", Value(OptionalInt(args, 2, r.width)));
            SetProperty(L"Height", Value(OptionalInt(args, 3, r.height)));
            return {};
        }
    }
    return PropertyHolder::Invoke(name, kind, args);
}

EventConnection CForm::ConnectEvents(EventHandler handler) { return events_.Connect(std::move(handler)); }

// --- The window's reports -------------------------------------------------------------------

void CForm::Dispatch(const std::shared_ptr<CControl>& control, std::wstring_view event,
                     const std::function<void()>& body) noexcept {
    try {
        body();
    } catch (...) {
        Err().Set(CurrentError());
        std::wstring procedure = name_ + L".";
        if (control) {
            procedure += control->Name();
            if (control->Index()) procedure += L"(" + std::to_wstring(*control->Index()) + L")";
        } else {
            procedure += L"Form";
        }
        procedure += L"_";
        procedure += event;
        LogError(procedure);
        Err().Clear();
    }
}

namespace {

// Keeps a form alive while the window's report runs: its code may unload it.
std::shared_ptr<Object> KeepAlive(Object& form) noexcept {
    try {
        return form.shared_from_this();
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void CForm::UserTextChanged(int id, const std::wstring& text) noexcept {
    const auto keep = KeepAlive(*this);
    if (auto c = ById(id)) Dispatch(c, L"Change", [&] { c->UserTextChanged(text); });
}

void CForm::UserClicked(int id, int button) noexcept {
    const auto keep = KeepAlive(*this);
    if (button != kLinkButtonLeft) return;
    if (auto c = ById(id)) Dispatch(c, L"Click", [&] { c->RaiseEvent(L"Click"); });
}

void CForm::UserValueChanged(int id, int value) noexcept {
    const auto keep = KeepAlive(*this);
    if (auto c = ById(id)) Dispatch(c, L"Click", [&] { c->UserValueChanged(value); });
}

void CForm::UserDroppedDown(int id) noexcept {
    const auto keep = KeepAlive(*this);
    if (auto c = ById(id)) Dispatch(c, L"DropDown", [&] { c->RaiseEvent(L"DropDown"); });
}

void CForm::UserPicked(int id, int index) noexcept {
    const auto keep = KeepAlive(*this);
    if (auto c = ById(id)) Dispatch(c, L"Click", [&] { c->UserPicked(index); });
}

bool CForm::UserFocusChanging(int from, int /*to*/) noexcept {
    const auto keep = KeepAlive(*this);
    auto c = ById(from);
    if (!c) return true;
    bool cancel = false;
    Dispatch(c, L"Validate", [&] {
        Args args{Value(false)};
        c->RaiseEvent(L"Validate", args);
        cancel = !args[0].IsEmptyOrMissing() && args[0].AsBool();
    });
    return !cancel;
}

void CForm::FocusMoved(int from, int to) noexcept {
    const auto keep = KeepAlive(*this);
    if (auto c = ById(from)) Dispatch(c, L"LostFocus", [&] { c->RaiseEvent(L"LostFocus"); });
    if (!window_) return;
    if (auto c = ById(to)) Dispatch(c, L"GotFocus", [&] { c->RaiseEvent(L"GotFocus"); });
}

void CForm::UserKeyDown(int id, int keyCode, int shift) noexcept {
    const auto keep = KeepAlive(*this);
    if (auto c = ById(id)) {
        Dispatch(c, L"KeyDown", [&] {
            Args args{Value(keyCode), Value(shift)};
            c->RaiseEvent(L"KeyDown", args);
        });
    }
}

void CForm::UserClosing() noexcept {
    const auto keep = KeepAlive(*this);
    Dispatch(nullptr, L"QueryUnload", [&] { Unload(vbFormControlMenu); });
}

void CForm::Activated() noexcept {
    const auto keep = KeepAlive(*this);
    Dispatch(nullptr, L"Activate", [&] {
        Form_Activate();
        events_.Raise(L"Activate");
    });
}

}  // namespace brisko::forms
