#include "automation/value.h"

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <limits>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/text.h"

namespace brisko {

namespace {

std::wstring Trim(const std::wstring& s) {
    const auto first = s.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    const auto last = s.find_last_not_of(L" \t");
    return s.substr(first, last - first + 1);
}

// A number in a string as CDbl reads it: decimal with optional exponent, or &H / &O.
bool ParseNumber(const std::wstring& text, double& out) {
    const std::wstring s = Trim(text);
    if (s.empty()) return false;
    if (s.size() > 2 && s[0] == L'&' && (s[1] == L'H' || s[1] == L'h' || s[1] == L'O' || s[1] == L'o')) {
        const int base = (s[1] == L'H' || s[1] == L'h') ? 16 : 8;
        unsigned long long n = 0;
        for (std::size_t i = 2; i < s.size(); ++i) {
            int d = -1;
            const wchar_t c = s[i];
            if (c >= L'0' && c <= L'9') d = c - L'0';
            else if (base == 16 && c >= L'a' && c <= L'f') d = c - L'a' + 10;
            else if (base == 16 && c >= L'A' && c <= L'F') d = c - L'A' + 10;
            if (d < 0 || d >= base) return false;
            n = n * static_cast<unsigned>(base) + static_cast<unsigned>(d);
            if (n > 0xFFFFFFFFull) return false;
        }
        // &H literals are 32-bit signed, as VB reads them.
        out = static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(n)));
        return true;
    }
    // Only the characters of a decimal number: wcstod would also take "inf", "nan" and hex floats.
    for (wchar_t c : s) {
        if (!((c >= L'0' && c <= L'9') || c == L'.' || c == L'-' || c == L'+' || c == L'e' || c == L'E')) {
            return false;
        }
    }
    wchar_t* end = nullptr;
    out = std::wcstod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(out);
}

std::wstring FormatDouble(double d) {
    if (d == 0.0) return L"0";
    char buf[64];
    // Up to 15 significant digits, as CStr gives them.
    std::snprintf(buf, sizeof buf, "%.15G", d);
    std::string s(buf);
    const auto epos = s.find('E');
    std::string mant = epos == std::string::npos ? s : s.substr(0, epos);
    std::string exp = epos == std::string::npos ? std::string() : s.substr(epos);
    if (mant.find('.') != std::string::npos) {
        while (!mant.empty() && mant.back() == '0') mant.pop_back();
        if (!mant.empty() && mant.back() == '.') mant.pop_back();
    }
    if (!exp.empty()) {
        // E+05 -> E+5
        std::string sign = exp.substr(1, 1);
        std::string digits = exp.substr(2);
        while (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
        exp = "E" + sign + digits;
    }
    return FromUtf8(mant + exp);
}

constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

// A constant expression: MakeDate may run during another file's static initialisation.
constexpr long long kEpochDays = DaysFromCivil(1899, 12, 30);

}  // namespace

std::int32_t Value::CheckedInt(long long n) {
    if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max()) {
        Raise(err::Overflow);
    }
    return static_cast<std::int32_t>(n);
}

bool Value::IsNothing() const noexcept {
    return type() == VarType::Object && !std::get<ObjectPtr>(v_);
}

bool Value::IsNumeric() const noexcept {
    switch (type()) {
        case VarType::Empty:
        case VarType::Boolean:
        case VarType::Integer:
        case VarType::Double:
        case VarType::Date:
            return true;
        case VarType::String: {
            double d = 0;
            return ParseNumber(std::get<std::wstring>(v_), d);
        }
        default:
            return false;
    }
}

double Value::AsDouble() const {
    switch (type()) {
        case VarType::Empty: return 0.0;
        case VarType::Null: Raise(err::InvalidUseOfNull);
        case VarType::Boolean: return std::get<bool>(v_) ? -1.0 : 0.0;
        case VarType::Integer: return std::get<std::int32_t>(v_);
        case VarType::Double: return std::get<double>(v_);
        case VarType::Date: return std::get<Date>(v_).serial;
        case VarType::String: {
            const auto& s = std::get<std::wstring>(v_);
            double d = 0;
            if (ParseNumber(s, d)) return d;
            const auto t = Trim(s);
            if (EqualsNoCase(t, L"True")) return -1.0;
            if (EqualsNoCase(t, L"False")) return 0.0;
            Raise(err::TypeMismatch);
        }
        case VarType::Object:
        case VarType::Array:
            Raise(err::TypeMismatch);
        case VarType::Missing: Raise(err::ParamNotFound);
    }
    Raise(err::TypeMismatch);
}

std::int32_t Value::AsInt() const {
    if (type() == VarType::Integer) return std::get<std::int32_t>(v_);
    const double d = AsDouble();
    // CLng rounds halves to even.
    const double r = std::nearbyint(d);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(err::Overflow);
    return static_cast<std::int32_t>(r);
}

bool Value::AsBool() const {
    if (type() == VarType::Boolean) return std::get<bool>(v_);
    return AsDouble() != 0.0;
}

Date Value::AsDate() const {
    switch (type()) {
        case VarType::Date: return std::get<Date>(v_);
        case VarType::String: Raise(err::TypeMismatch);
        case VarType::Missing: Raise(err::ParamNotFound);
        default: {
            const double d = AsDouble();
            if (!(d >= -657434.0 && d < 2958466.0)) Raise(err::Overflow);
            return Date{d};
        }
    }
}

std::wstring Value::AsString() const {
    switch (type()) {
        case VarType::Empty: return {};
        case VarType::Null: Raise(err::InvalidUseOfNull);
        case VarType::Boolean: return std::get<bool>(v_) ? L"True" : L"False";
        case VarType::Integer: return std::to_wstring(std::get<std::int32_t>(v_));
        case VarType::Double: return FormatDouble(std::get<double>(v_));
        case VarType::Date: return FormatDate(std::get<Date>(v_));
        case VarType::String: return std::get<std::wstring>(v_);
        case VarType::Object:
        case VarType::Array:
            Raise(err::TypeMismatch);
        case VarType::Missing: Raise(err::ParamNotFound);
    }
    Raise(err::TypeMismatch);
}

ObjectPtr Value::AsObject() const {
    if (type() == VarType::Missing) Raise(err::ParamNotFound);
    if (type() != VarType::Object) Raise(err::ObjectRequired);
    return std::get<ObjectPtr>(v_);
}

const Array& Value::AsArray() const {
    if (type() == VarType::Missing) Raise(err::ParamNotFound);
    if (type() != VarType::Array) Raise(err::TypeMismatch);
    return *std::get<std::shared_ptr<Array>>(v_);
}

std::wstring Value::TypeName() const {
    switch (type()) {
        case VarType::Empty: return L"Empty";
        case VarType::Null: return L"Null";
        case VarType::Boolean: return L"Boolean";
        case VarType::Integer: return L"Long";
        case VarType::Double: return L"Double";
        case VarType::Date: return L"Date";
        case VarType::String: return L"String";
        case VarType::Object: {
            const auto& o = std::get<ObjectPtr>(v_);
            return o ? o->TypeName() : L"Nothing";
        }
        case VarType::Array: return L"Variant()";
        case VarType::Missing: return L"Error";
    }
    return L"Empty";
}

bool Value::operator==(const Value& other) const {
    if (type() != other.type()) return false;
    if (type() == VarType::Array) return AsArray() == other.AsArray();
    return v_ == other.v_;
}

Date MakeDate(const DateParts& p) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12 || p.hour < 0 || p.hour > 23 ||
        p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59) {
        Raise(err::InvalidCall);
    }
    const bool leap = (p.year % 4 == 0 && p.year % 100 != 0) || p.year % 400 == 0;
    const int maxDay = kDays[p.month - 1] + (p.month == 2 && leap ? 1 : 0);
    if (p.day < 1 || p.day > maxDay) Raise(err::InvalidCall);
    const long long days =
        DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) - kEpochDays;
    const double time = (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0;
    // Before the epoch the day counts backwards while the time still counts forwards.
    return Date{days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time};
}

DateParts SplitDate(Date date) {
    const double whole = std::trunc(date.serial);
    const double frac = std::fabs(date.serial - whole);
    long long secs = std::llround(frac * 86400.0);
    long long days = static_cast<long long>(whole);
    if (secs >= 86400) {
        secs -= 86400;
        days += date.serial >= 0 ? 1 : -1;
    }
    DateParts p;
    CivilFromDays(days + kEpochDays, p.year, p.month, p.day);
    p.hour = static_cast<int>(secs / 3600);
    p.minute = static_cast<int>((secs / 60) % 60);
    p.second = static_cast<int>(secs % 60);
    return p;
}

std::wstring FormatDate(Date date) {
    const DateParts p = SplitDate(date);
    wchar_t buf[40];
    if (p.hour == 0 && p.minute == 0 && p.second == 0) {
        std::swprintf(buf, 40, L"%04d-%02d-%02d", p.year, p.month, p.day);
    } else {
        std::swprintf(buf, 40, L"%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                      p.second);
    }
    return buf;
}

}  // namespace brisko
