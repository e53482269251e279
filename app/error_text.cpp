#include "app/error_text.h"

namespace nimbara {

std::u16string ErrorReportText(std::u16string_view message) {
    std::u16string text(message);
    // The rule is "the last character's code (for a double-byte character, its lead
    // byte) above '.'" in code page 936. Comparing the last UTF-16 unit gives the same
    // answer: an ASCII character has the same code in both, and a character beyond
    // ASCII is above 0x7F in UTF-16 while its code page 936 form starts with a lead
    // byte (0x81..0xFE), is the single byte 0x80, or is the default '?' (0x3F), all
    // above '.' (0x2E). A surrogate pair ends in a unit of 0xDC00 or more. The only
    // difference left is a character that best-fit conversion would turn into an
    // ASCII blank or punctuation mark, where the report now goes by the real character.
    if (!text.empty() && text.back() > u'.') text += u'.';
    return text;
}

}  // namespace nimbara
