#include "history/privacy_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace nimbara {
namespace {

constexpr std::uint16_t kText = 13, kExclude = 0xC101, kIgnore = 0xC102, kFlag = 0xC103;
constexpr PrivacyMarkers kMarkers{kExclude, kIgnore, kFlag};

TEST(PrivacyRulesTest, OnlyTheSourcesMarkersKeepContentOut) {
    using Formats = std::vector<std::uint16_t>;
    using Bytes = std::vector<std::uint8_t>;
    const struct {
        const char* what;
        Formats formats;
        Bytes flag;
        bool private_;
        PrivacyMarkers markers = kMarkers;
    } cases[] = {
        {"plain text", {kText}, {}, false},
        {"nothing at all", {}, {}, false},
        {"exclusion marker first", {kExclude, kText}, {}, true},
        {"exclusion marker last", {kText, 1, 7, kExclude}, {}, true},
        {"viewer-ignore marker", {kText, kIgnore}, {}, true},
        {"flag 0", {kText, kFlag}, {0, 0, 0, 0}, true},
        {"flag 0 in a block the system rounded up", {kText, kFlag}, {0, 0, 0, 0, 9, 9, 9, 9}, true},
        {"flag 1", {kText, kFlag}, {1, 0, 0, 0}, false},
        {"flag 0 only in its low byte", {kText, kFlag}, {0, 0, 0, 1}, false},
        {"flag 2", {kText, kFlag}, {2, 0, 0, 0}, false},
        {"flag shorter than a DWORD", {kText, kFlag}, {0, 0, 0}, false},
        {"flag without data", {kText, kFlag}, {}, false},
        {"flag data of an unlisted flag", {kText}, {0, 0, 0, 0}, false},
        {"flag 1 beside the exclusion marker", {kFlag, kText, kExclude}, {1, 0, 0, 0}, true},
        {"markers this session never registered", {0, kText}, {0, 0, 0, 0}, false, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsMarkedPrivate(c.formats, c.markers, c.flag), c.private_) << c.what;
}

}  // namespace
}  // namespace nimbara
