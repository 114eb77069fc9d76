// The add-in's message boxes: the caption is the add-in's name.
#pragma once

#include <cstdint>
#include <string>

namespace brisko {

// MessageBox styles used by the add-in.
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbIconExclamation = 0x30;

// The button chosen (platform/ui.h: kIdOk, kIdYes, kIdNo ...); 0 when no box could be shown.
int AddinMsgBox(const std::wstring& sText, std::uint32_t nStyle = kMbOk);

// The current language's text of a "LID_" key; the key itself without a language engine.
std::wstring LangText(const std::wstring& sKey);

}  // namespace brisko
