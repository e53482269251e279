// Conversions between the program's UTF-16 texts, the rules' std::u16string and
// the ANSI byte texts that the clipboard's CF_TEXT and the registry keep.
#pragma once

#include <string>
#include <string_view>

namespace nimbara {

// wchar_t is 16 bits on Windows, so the two UTF-16 string types share their units.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring ToWide(std::u16string_view s) {
    return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
}
inline std::u16string ToU16(std::wstring_view s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.data()), s.size());
}

// ANSI code page bytes to UTF-16. A lead byte left alone at the end (a cut text)
// becomes one replacement character rather than being read past.
std::wstring AnsiToWide(std::string_view bytes);
std::string WideToAnsi(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

}  // namespace nimbara
