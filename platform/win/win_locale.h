// The user default locale through kernel32 and oleaut32, and the Windows version.
#pragma once

#include "platform/locale.h"

namespace brisko::win {

class WinLocale : public Locale {
public:
    std::optional<std::wstring> Info(std::uint32_t item) override;
    std::optional<std::wstring> FormatTime(const std::wstring& format, int hour, int minute, int second,
                                           bool noSeconds) override;
    std::optional<Date> ParseDateTime(const std::wstring& text) override;
    std::wstring DateText(Date date) override;
    WindowsVersion Version() override;
};

}  // namespace brisko::win
