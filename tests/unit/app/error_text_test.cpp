#include "app/error_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nimbara {
namespace {

TEST(ErrorReportText, FullStopOnlyAfterCharactersAboveIt) {
    struct Case {
        std::u16string message;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {u"", u""},
        {u"Cannot open clipboard", u"Cannot open clipboard."},
        // A closing quote (0x27) sorts before '.'.
        {u"Invalid data type for 'Nimbara'", u"Invalid data type for 'Nimbara'"},
        {u"Ends in a stop.", u"Ends in a stop."},
        {u"Ends in a bang!", u"Ends in a bang!"},
        {u"(in brackets)", u"(in brackets)"},
        {u"comma,", u"comma,"},
        {u"minus-", u"minus-"},
        {u"blank ", u"blank "},
        {u"slash/", u"slash/."},  // '/' is the first code after '.'
        {u"digit 0", u"digit 0."},
        {u"question?", u"question?."},
        {u"打开粘贴板错误！", u"打开粘贴板错误！."},
        {u"中", u"中."},
        {u"\u0080", u"\u0080."},
        {u"emoji 😀", u"emoji 😀."},
        {u".", u"."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorReportText(c.message), c.text);
    }
}

}  // namespace
}  // namespace nimbara
