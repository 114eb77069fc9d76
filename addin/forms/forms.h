// The portable model of the add-in's forms: a form with its controls, reached by name as a
// late-bound caller reaches them. Positions and sizes are in twips.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/object.h"

namespace brisko::forms {

// The screen's twips per pixel (15 at 96 dots per inch).
int TwipsPerPixelX() noexcept;
int TwipsPerPixelY() noexcept;
void SetTwipsPerPixel(int x, int y) noexcept;

// A picture: the bytes of its file, kept as they were loaded.
class CPicture : public Object {
public:
    CPicture(std::vector<std::uint8_t> bytes, std::wstring source) : bytes_(std::move(bytes)), source_(std::move(source)) {}
    const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }
    const std::wstring& source() const noexcept { return source_; }
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"Picture"; }

private:
    std::vector<std::uint8_t> bytes_;
    std::wstring source_;
};

// LoadPicture: raises 53 when the file can't be opened, 481 when it is empty or unreadable.
ObjectPtr LoadPicture(const std::wstring& path);
// SavePicture: raises 75 when the file can't be written.
void SavePicture(const ObjectPtr& picture, const std::wstring& path);

// An object with a fixed set of properties. Getting or setting one it lacks raises 438.
class PropertyHolder : public Object {
public:
    // Property names as they are spelled; compared without regard to case.
    explicit PropertyHolder(const std::vector<std::wstring>& properties);

    bool Has(std::wstring_view property) const;
    Value Property(std::wstring_view property) const;
    void SetProperty(std::wstring_view property, const Value& value);

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;

private:
    struct Slot {
        std::wstring name;
        Value value;
    };
    const Slot* Find(std::wstring_view property) const;
    std::vector<Slot> slots_;
};

class CControl : public PropertyHolder {
public:
    // A control of a known kind (see KindProperties), or with the properties given.
    CControl(std::wstring kind, std::wstring name, std::optional<int> index = std::nullopt);
    CControl(std::wstring kind, std::wstring name, std::optional<int> index, const std::vector<std::wstring>& properties);

    const std::wstring& Name() const noexcept { return name_; }
    // The index of an element of a control array; reading it of another control raises 343.
    const std::optional<int>& Index() const noexcept { return index_; }

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return kind_; }

    // The properties of the kinds the add-in's forms use: Label, CommandButton, CheckBox,
    // OptionButton, Frame, TextBox, ComboBox, PictureBox, Image, Line, LinkLabel and the
    // controls library's SysMonthCal32, SysDateTimePick32, PriorityBar, EditBox.
    static std::vector<std::wstring> KindProperties(std::wstring_view kind);

private:
    std::wstring kind_;
    std::wstring name_;
    std::optional<int> index_;
};

// The elements of one control array, by index.
class CControlArray : public Object {
public:
    explicit CControlArray(std::wstring name) : name_(std::move(name)) {}
    void Add(const std::shared_ptr<CControl>& control) { elements_.push_back(control); }
    // Raises 340 when there is no element of that index.
    std::shared_ptr<CControl> Element(int index) const;
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"Object"; }

private:
    std::wstring name_;
    std::vector<std::shared_ptr<CControl>> elements_;
};

// A form's Controls: Count, and Item by position (from 0) or by name (an array's name gives the
// array). An unknown name raises 730.
class CControls : public Object {
public:
    void Add(const std::shared_ptr<CControl>& control);
    int Count() const noexcept { return static_cast<int>(controls_.size()); }
    std::shared_ptr<CControl> At(int position) const;
    ObjectPtr ByName(std::wstring_view name) const;
    // The control of that name, or that element of a control array; nothing when missing.
    std::shared_ptr<CControl> Find(std::wstring_view name, std::optional<int> index = std::nullopt) const;

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"Object"; }

private:
    std::vector<std::shared_ptr<CControl>> controls_;
    std::map<std::wstring, std::shared_ptr<CControlArray>> arrays_;  // lower-cased name
};

// A form: Name, Controls, Caption, Left, Top, Width, Height, Picture. Its type name is its name,
// as a form's class is.
class CForm : public PropertyHolder {
public:
    explicit CForm(std::wstring name);

    const std::wstring& Name() const noexcept { return name_; }
    const std::shared_ptr<CControls>& Controls() const noexcept { return controls_; }
    // Adds a control of a known kind with a caption (when it has one) and returns it.
    std::shared_ptr<CControl> Add(std::wstring kind, std::wstring name, std::wstring caption = {},
                                  std::optional<int> index = std::nullopt);

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return name_; }

private:
    std::wstring name_;
    std::shared_ptr<CControls> controls_;
};

}  // namespace brisko::forms
