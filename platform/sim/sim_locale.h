// The user's locale in memory: English (United States) and German (Germany) as Wine 8 gives them,
// selectable; the information items, time formats, the lenient conversion of text to a date/time
// and the Windows version follow the real functions for the same inputs.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/locale.h"
#include "platform/platform.h"

namespace brisko::sim {

class SimLocale : public Locale {
public:
    // The clock gives the current year that a date without a year takes.
    explicit SimLocale(Clock& clock);

    // "en-US" (the default) or "de-DE", without regard to case; false for any other name.
    bool SetLocale(std::wstring_view name);
    const std::wstring& Name() const noexcept;

    // An item's answer in place of the locale's (nothing: the call fails); Reset drops them all.
    void OverrideInfo(std::uint32_t item, std::optional<std::wstring> answer) { overrides_[item] = std::move(answer); }
    void FailTimeFormat(bool fail) { failTimeFormat_ = fail; }
    void SetVersion(WindowsVersion version) { version_ = version; }
    void Reset();

    std::optional<std::wstring> Info(std::uint32_t item) override;
    std::optional<std::wstring> FormatTime(const std::wstring& format, int hour, int minute, int second,
                                           bool noSeconds) override;
    std::optional<Date> ParseDateTime(const std::wstring& text) override;
    std::wstring DateText(Date date) override;
    WindowsVersion Version() override { return version_; }

    struct Data;

private:
    std::wstring Item(std::uint32_t item);
    std::optional<std::wstring> Format(const std::wstring& format, int hour, int minute, int second, bool noSeconds);
    std::wstring FormatDate(const std::wstring& format, const DateParts& date);

    Clock& clock_;
    const Data* data_;
    std::map<std::uint32_t, std::optional<std::wstring>> overrides_;
    bool failTimeFormat_ = false;
    WindowsVersion version_{true, 6, 1, 0};
};

}  // namespace brisko::sim
