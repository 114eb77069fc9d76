#include "platform/win/win_locale.h"

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace brisko::win {

namespace {

// Frees a BSTR when it goes.
class Bstr {
public:
    Bstr() = default;
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* Out() { return &b_; }
    std::wstring Text() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

private:
    BSTR b_ = nullptr;
};

}  // namespace

std::optional<std::wstring> WinLocale::Info(std::uint32_t item) {
    wchar_t buffer[256];
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, static_cast<LCTYPE>(item), buffer, 256);
    if (n <= 0) return std::nullopt;
    return std::wstring(buffer, static_cast<std::size_t>(n - 1));
}

std::optional<std::wstring> WinLocale::FormatTime(const std::wstring& format, int hour, int minute, int second,
                                                  bool noSeconds) {
    if (hour < 0 || minute < 0 || second < 0) return std::nullopt;
    SYSTEMTIME st{};
    st.wYear = 2000;
    st.wMonth = 1;
    st.wDay = 1;
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    wchar_t buffer[256];
    const int n = GetTimeFormatW(LOCALE_USER_DEFAULT, noSeconds ? TIME_NOSECONDS : 0, &st,
                                 format.empty() ? nullptr : format.c_str(), buffer, 256);
    if (n <= 0) return std::nullopt;
    return std::wstring(buffer, static_cast<std::size_t>(n - 1));
}

std::optional<Date> WinLocale::ParseDateTime(const std::wstring& text) {
    // VarDateFromStr reads up to the first NUL, as a BSTR holding one would be read.
    std::wstring copy(text);
    DATE d = 0;
    if (FAILED(VarDateFromStr(copy.data(), LOCALE_USER_DEFAULT, 0, &d))) return std::nullopt;
    return Date{d};
}

std::wstring WinLocale::DateText(Date date) {
    Bstr text;
    if (FAILED(VarBstrFromDate(date.serial, LOCALE_USER_DEFAULT, 0, text.Out()))) return {};
    return text.Text();
}

WindowsVersion WinLocale::Version() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    WindowsVersion v;
    if (!GetVersionExW(&info)) {
        v.lastError = GetLastError();
        return v;
    }
    v.ok = true;
    v.major = info.dwMajorVersion;
    v.minor = info.dwMinorVersion;
    return v;
}

}  // namespace brisko::win
