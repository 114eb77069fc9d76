#include "addin/dialogs/mLocale.h"

#include <cstdlib>

#include "addin/host/mTorvik.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/locale.h"
#include "platform/platform.h"

namespace brisko {

namespace {

Locale* CurrentLocale() { return CurrentPlatform().locale; }

// Cuts the first occurrence of what from text, without regard to case; false when it is absent.
bool CutNoCase(std::wstring& text, const std::wstring& what) {
    if (what.empty() || what.size() > text.size()) return false;
    const std::wstring lower = LowerCase(text);
    const auto at = lower.find(LowerCase(what));
    if (at == std::wstring::npos) return false;
    text.erase(at, what.size());
    return true;
}

}  // namespace

std::wstring mLocale_GetInfo(std::uint32_t nItem) {
    Locale* locale = CurrentLocale();
    if (!locale) return {};
    return locale->Info(nItem).value_or(std::wstring());
}

std::wstring mLocale_GetTimeFormat() {
    std::wstring sFormat = mLocale_GetInfo(locale_item::TimeFormat);
    const std::wstring sSeparator = mLocale_GetInfo(locale_item::TimeSeparator);
    if (!CutNoCase(sFormat, sSeparator + L"ss")) CutNoCase(sFormat, sSeparator + L"s");
    return sFormat;
}

std::wstring mLocale_TimeText(int nHour, int nMinute, const std::wstring& sFormat, bool bNoSeconds) {
    Locale* locale = CurrentLocale();
    if (locale && !sFormat.empty()) {
        if (auto text = locale->FormatTime(sFormat, nHour, nMinute, 0, bNoSeconds)) return *text;
    }
    const Date time = MakeDate({1899, 12, 30, nHour, nMinute, 0});
    return locale ? locale->DateText(time) : Value(time).AsString();
}

std::int32_t mLocale_ParseTime(const std::wstring& sText) {
    Locale* locale = CurrentLocale();
    const auto parsed = locale ? locale->ParseDateTime(sText) : std::nullopt;
    if (!parsed) Raise(err::TypeMismatch);
    const DateParts p = SplitDate(*parsed);
    return p.hour * 60 + p.minute;
}

std::wstring mLocale_ShortDateFormatWithDay() {
    std::wstring sFormat = mLocale_GetInfo(locale_item::ShortDate);
    if (LowerCase(sFormat).find(L"ddd") == std::wstring::npos) sFormat = L"ddd " + sFormat;
    return sFormat;
}

bool IsVistaOrLater() {
    Locale* locale = CurrentLocale();
    if (!locale) return false;
    const WindowsVersion v = locale->Version();
    if (!v.ok) {
        LogError(L"mLocale.IsVistaOrLater", static_cast<std::int32_t>(v.lastError),
                 L"GetVersionEx failed, LastError=" + std::to_wstring(v.lastError));
        return false;
    }
    return v.major >= 6;
}

}  // namespace brisko
