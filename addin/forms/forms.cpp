#include "addin/forms/forms.h"

#include "addin/lang/mFileUtils.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/files.h"

namespace brisko::forms {

namespace {

int g_twipsX = 15;
int g_twipsY = 15;

constexpr std::int32_t kControlArrayElementMissing = 340;
constexpr std::int32_t kNotAnArray = 343;
constexpr std::int32_t kInvalidPicture = 481;
constexpr std::int32_t kPathFileAccess = 75;
constexpr std::int32_t kControlNotFound = 730;
constexpr std::size_t kMaxPictureBytes = 16u << 20;

bool IsNumberProperty(std::wstring_view p) {
    for (const wchar_t* n : {L"Left", L"Top", L"Width", L"Height", L"X1", L"Y1", L"X2", L"Y2"}) {
        if (EqualsNoCase(p, n)) return true;
    }
    return false;
}

// What a property stores when it is set: numbers as whole twips, pictures as objects, texts.
Value Coerce(std::wstring_view property, const Value& value) {
    if (EqualsNoCase(property, L"Picture")) {
        if (value.IsEmpty()) return Value(ObjectPtr());
        return Value(value.AsObject());
    }
    if (IsNumberProperty(property)) return Value(value.AsInt());
    if (EqualsNoCase(property, L"Visible") || EqualsNoCase(property, L"Enabled")) return Value(value.AsBool());
    if (EqualsNoCase(property, L"Value")) return value;
    return Value(value.AsString());
}

Value DefaultOf(std::wstring_view property) {
    if (EqualsNoCase(property, L"Picture")) return Value(ObjectPtr());
    if (IsNumberProperty(property)) return Value(0);
    if (EqualsNoCase(property, L"Visible") || EqualsNoCase(property, L"Enabled")) return Value(true);
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

void PropertyHolder::SetProperty(std::wstring_view property, const Value& value) {
    auto* s = const_cast<Slot*>(Find(property));
    if (!s) Raise(err::NotSupported);
    s->value = Coerce(s->name, value);
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

std::vector<std::wstring> CControl::KindProperties(std::wstring_view kind) {
    const std::vector<std::wstring> box = {L"Left", L"Top", L"Width", L"Height", L"ToolTipText", L"Visible", L"Enabled"};
    auto with = [&](std::initializer_list<const wchar_t*> extra) {
        std::vector<std::wstring> v;
        for (const wchar_t* e : extra) v.emplace_back(e);
        v.insert(v.end(), box.begin(), box.end());
        return v;
    };
    if (EqualsNoCase(kind, L"Line")) return {L"X1", L"Y1", L"X2", L"Y2", L"Visible"};
    if (EqualsNoCase(kind, L"Label") || EqualsNoCase(kind, L"Frame") || EqualsNoCase(kind, L"LinkLabel")) {
        return with({L"Caption"});
    }
    if (EqualsNoCase(kind, L"CommandButton") || EqualsNoCase(kind, L"CheckBox") ||
        EqualsNoCase(kind, L"OptionButton")) {
        return with({L"Caption", L"Picture", L"Value"});
    }
    if (EqualsNoCase(kind, L"TextBox") || EqualsNoCase(kind, L"ComboBox") || EqualsNoCase(kind, L"EditBox")) {
        return with({L"Text"});
    }
    if (EqualsNoCase(kind, L"PictureBox") || EqualsNoCase(kind, L"Image")) return with({L"Picture"});
    if (EqualsNoCase(kind, L"SysMonthCal32") || EqualsNoCase(kind, L"SysDateTimePick32") ||
        EqualsNoCase(kind, L"PriorityBar")) {
        return with({L"Value"});
    }
    return box;
}

CControl::CControl(std::wstring kind, std::wstring name, std::optional<int> index)
    : CControl(kind, std::move(name), index, KindProperties(kind)) {}

CControl::CControl(std::wstring kind, std::wstring name, std::optional<int> index,
                   const std::vector<std::wstring>& properties)
    : PropertyHolder(properties), kind_(std::move(kind)), name_(std::move(name)), index_(index) {}

Value CControl::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (kind == CallKind::Get && args.empty()) {
        if (EqualsNoCase(name, L"Name")) return Value(name_);
        if (EqualsNoCase(name, L"Index")) {
            if (!index_) Raise(kNotAnArray, L"Object not an array");
            return Value(*index_);
        }
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

CForm::CForm(std::wstring name)
    : PropertyHolder({L"Caption", L"Left", L"Top", L"Width", L"Height", L"Picture", L"Visible", L"Enabled"}),
      name_(std::move(name)),
      controls_(std::make_shared<CControls>()) {}

std::shared_ptr<CControl> CForm::Add(std::wstring kind, std::wstring name, std::wstring caption,
                                     std::optional<int> index) {
    auto c = std::make_shared<CControl>(std::move(kind), std::move(name), index);
    if (c->Has(L"Caption")) c->SetProperty(L"Caption", Value(std::move(caption)));
    controls_->Add(c);
    return c;
}

Value CForm::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (kind == CallKind::Get && args.empty()) {
        if (EqualsNoCase(name, L"Name")) return Value(name_);
        if (EqualsNoCase(name, L"Controls")) return Value(ObjectPtr(controls_));
    }
    return PropertyHolder::Invoke(name, kind, args);
}

}  // namespace brisko::forms
