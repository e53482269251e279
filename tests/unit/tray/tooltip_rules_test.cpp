#include "tray/tooltip_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nimbara {
namespace {

TEST(CutToolTip, KeepsAtMost62Bytes) {
    const std::string zhong = "\xD6\xD0";  // "中" in code page 936
    struct Case {
        const char* name;
        std::string text;
        std::string tip;
    };
    const std::vector<Case> cases = {
        {"empty", "", ""},
        {"short", "Nimbara", "Nimbara"},
        {"61 bytes", std::string(61, 'a'), std::string(61, 'a')},
        {"62 bytes", std::string(62, 'a'), std::string(62, 'a')},
        {"63 bytes", std::string(63, 'a'), std::string(62, 'a')},
        {"huge", std::string(100000, 'a'), std::string(62, 'a')},
        {"double-byte character split", std::string(61, 'a') + zhong,
         std::string(61, 'a') + "\xD6"},
        {"31 double-byte characters fit",
         [&] {
             std::string s;
             for (int i = 0; i < 32; ++i) s += zhong;
             return s;
         }(),
         [&] {
             std::string s;
             for (int i = 0; i < 31; ++i) s += zhong;
             return s;
         }()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CutToolTip(c.text), c.tip) << c.name;
    }
}

}  // namespace
}  // namespace nimbara
