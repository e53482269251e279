#include "settings/run_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nimbara {
namespace {

TEST(RunEntryForPath, QuotedExactlyWhenABlankWouldSplitIt) {
    struct Case {
        std::string path;
        std::string entry;
    };
    const std::vector<Case> cases = {
        {"C:\\Nimbara\\Nimbara.exe", "C:\\Nimbara\\Nimbara.exe"},
        {"C:\\Program Files\\Nimbara\\Nimbara.exe", "\"C:\\Program Files\\Nimbara\\Nimbara.exe\""},
        {"C:\\tab\there\\Nimbara.exe", "\"C:\\tab\there\\Nimbara.exe\""},
        {" ", "\" \""},
        {"C:\\x\\Nimbara.exe ", "\"C:\\x\\Nimbara.exe \""},
        {"\"C:\\Program Files\\Nimbara.exe\"", "\"C:\\Program Files\\Nimbara.exe\""},
        {"\"C:\\Nimbara.exe\"", "\"C:\\Nimbara.exe\""},
        // Not a quoted path: a lone quote is no pair.
        {"\"", "\""},
        {"\"C:\\a b", "\"\"C:\\a b\""},
        // Double-byte names: their trail bytes are never a blank.
        {"C:\\\xD6\xD0\xCE\xC4\\Nimbara.exe", "C:\\\xD6\xD0\xCE\xC4\\Nimbara.exe"},
        {"C:\\\xD6\xD0 \xCE\xC4\\Nimbara.exe", "\"C:\\\xD6\xD0 \xCE\xC4\\Nimbara.exe\""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunEntryForPath(c.path), c.entry) << c.path;
    }
}

}  // namespace
}  // namespace nimbara
