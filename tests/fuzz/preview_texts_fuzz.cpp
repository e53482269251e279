// Arbitrary bytes as the clipboard content the tile previews are made from: the
// CF_TEXT block, the format numbers, the dropped file names, the tooltip text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/error_text.h"
#include "history/preview_rules.h"
#include "fuzz_check.h"
#include "tray/tooltip_rules.h"

namespace {

void CheckTextPreview(std::span<const std::uint8_t> block) {
    const std::string preview = nimbara::CutPreviewText(block);
    NIMBARA_FUZZ_CHECK(preview.size() <= nimbara::kPreviewTextBytes);
    NIMBARA_FUZZ_CHECK(preview.find('\0') == std::string::npos);
    NIMBARA_FUZZ_CHECK(std::equal(preview.begin(), preview.end(), block.begin(),
                                  [](char c, std::uint8_t b) { return std::uint8_t(c) == b; }));
}

void CheckFormatCaption(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint16_t> formats;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        formats.push_back(static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    const nimbara::PreviewChoice choice = nimbara::ChoosePreview(formats);
    NIMBARA_FUZZ_CHECK(choice.kind == nimbara::PreviewKind::kFormatNumbers ||
                       choice.record < formats.size());
    const std::u16string caption = nimbara::UnpreviewableCaption(formats);
    // "(无法预览[" and "])" around at most five digits and a comma per format.
    NIMBARA_FUZZ_CHECK(caption.size() <= 8 + 6 * formats.size());
    NIMBARA_FUZZ_CHECK(caption.ends_with(u"])"));
}

void CheckDroppedNames(std::string_view text) {
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        names.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    const std::string joined = nimbara::JoinDroppedNames(names);
    NIMBARA_FUZZ_CHECK(joined.size() <= names.size() * nimbara::kMaxDroppedNameBytes);
    NIMBARA_FUZZ_CHECK(joined.find('\0') == std::string::npos);
}

void CheckToolTipAndReport(std::string_view text) {
    NIMBARA_FUZZ_CHECK(nimbara::CutToolTip(text).size() <= nimbara::kMaxToolTipBytes);
    const std::u16string message(text.begin(), text.end());
    const std::u16string report = nimbara::ErrorReportText(message);
    NIMBARA_FUZZ_CHECK(report.starts_with(message) && report.size() <= message.size() + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckTextPreview(bytes);
    CheckFormatCaption(bytes);
    CheckDroppedNames(text);
    CheckToolTipAndReport(text);
    return 0;
}
