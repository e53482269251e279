// The tray icon's tooltip as the shell's notification record holds it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nimbara {

// szTip holds 64 bytes, but the icon keeps at most 62 of the text.
constexpr std::size_t kMaxToolTipBytes = 62;

// The first 62 bytes of the ANSI text. The record holds bytes, so the cut counts
// bytes and may split a double-byte character.
std::string CutToolTip(std::string_view ansi);

}  // namespace nimbara
