// The late-bound value: what a property returns and an argument carries.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace brisko {

class Object;
using ObjectPtr = std::shared_ptr<Object>;

// Missing is an omitted optional argument (a VT_ERROR DISP_E_PARAMNOTFOUND over COM): distinct
// from Empty; every conversion of it raises 448, as using a missing argument does.
enum class VarType { Empty, Null, Boolean, Integer, Double, Date, String, Object, Array, Missing };

struct NullValue {
    bool operator==(const NullValue&) const = default;
};
inline constexpr NullValue Null{};

struct MissingValue {
    bool operator==(const MissingValue&) const = default;
};
// The value of an omitted optional argument: Call(L"Add", {mail, Missing, Missing, Missing}).
inline constexpr MissingValue Missing{};

// An automation DATE: days since 30 December 1899; the fraction is the time of day.
struct Date {
    double serial = 0.0;
    bool operator==(const Date&) const = default;
};

class Value;
using Array = std::vector<Value>;

class Value {
public:
    Value() = default;
    Value(NullValue) : v_(NullValue{}) {}
    Value(MissingValue) : v_(MissingValue{}) {}
    Value(bool b) : v_(b) {}
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, wchar_t> && !std::same_as<T, char>)
    Value(T n) : v_(CheckedInt(static_cast<long long>(n))) {}
    Value(double d) : v_(d) {}
    Value(Date d) : v_(d) {}
    Value(std::wstring s) : v_(std::move(s)) {}
    Value(const wchar_t* s) : v_(std::wstring(s)) {}
    Value(ObjectPtr o) : v_(std::move(o)) {}
    template <std::derived_from<Object> T>
    Value(std::shared_ptr<T> o) : v_(ObjectPtr(std::move(o))) {}
    Value(Array a) : v_(std::make_shared<Array>(std::move(a))) {}

    VarType type() const noexcept { return static_cast<VarType>(v_.index()); }
    bool IsEmpty() const noexcept { return type() == VarType::Empty; }
    bool IsNull() const noexcept { return type() == VarType::Null; }
    bool IsMissing() const noexcept { return type() == VarType::Missing; }
    // Empty or Missing: no value was given.
    bool IsEmptyOrMissing() const noexcept { return IsEmpty() || IsMissing(); }
    bool IsObject() const noexcept { return type() == VarType::Object; }
    // An object value that refers to no object.
    bool IsNothing() const noexcept;
    bool IsNumeric() const noexcept;
    bool IsArray() const noexcept { return type() == VarType::Array; }

    // Conversions as CBool, CLng, CDbl, CDate, CStr and Set do; they raise 13, 6, 94 or 424,
    // and 448 for Missing.
    bool AsBool() const;
    std::int32_t AsInt() const;
    double AsDouble() const;
    Date AsDate() const;
    std::wstring AsString() const;
    ObjectPtr AsObject() const;
    const Array& AsArray() const;

    // The name TypeName gives: "Empty", "Null", "Boolean", "Long", "Double", "Date",
    // "String", "Nothing", the object's type name, an array type, or "Error" for Missing.
    std::wstring TypeName() const;

    // Same type and same value (objects: the same object).
    bool operator==(const Value& other) const;

private:
    static std::int32_t CheckedInt(long long n);

    std::variant<std::monostate, NullValue, bool, std::int32_t, double, Date, std::wstring, ObjectPtr,
                 std::shared_ptr<Array>, MissingValue>
        v_;
};

// Calendar conversions of the automation DATE.
struct DateParts {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    bool operator==(const DateParts&) const = default;
};
// Raises 5 for a date outside 1 January 100 .. 31 December 9999 or a field out of range.
Date MakeDate(const DateParts& parts);
DateParts SplitDate(Date date);
// "yyyy-mm-dd hh:nn:ss", or the date part alone when the time is midnight.
std::wstring FormatDate(Date date);

}  // namespace brisko
