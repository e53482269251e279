#include "history/preview_rules.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "platform/clip_rules.h"

namespace nimbara {
namespace {

// Written with escapes so the text does not depend on the compiler's source charset.
constexpr char16_t kUnpreviewableOpen[] = u"(\u65E0\u6CD5\u9884\u89C8[";  // "(无法预览["
constexpr char16_t kUnpreviewableClose[] = u"])";

std::u16string DecimalText(std::uint16_t value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value = static_cast<std::uint16_t>(value / 10);
    } while (value != 0);
    return digits;
}

std::optional<std::size_t> PositionOf(std::span<const std::uint16_t> formats,
                                      std::uint16_t format) noexcept {
    const auto at = std::find(formats.begin(), formats.end(), format);
    if (at == formats.end()) return std::nullopt;
    return static_cast<std::size_t>(at - formats.begin());
}

bool IsPicture(std::uint16_t format) noexcept {
    return format == clip_format::kBitmap || format == clip_format::kMetaFilePict ||
           format == clip_format::kEnhMetaFile;
}

}  // namespace

PreviewChoice ChoosePreview(std::span<const std::uint16_t> formats) noexcept {
    for (const std::uint16_t text :
         {clip_format::kText, clip_format::kUnicodeText, clip_format::kOemText}) {
        if (const auto at = PositionOf(formats, text)) return {PreviewKind::kText, *at};
    }
    const auto picture = std::find_if(formats.begin(), formats.end(), IsPicture);
    if (picture != formats.end())
        return {PreviewKind::kPicture, static_cast<std::size_t>(picture - formats.begin())};
    if (const auto at = PositionOf(formats, clip_format::kHDrop)) return {PreviewKind::kFiles, *at};
    return {};
}

std::string CutPreviewText(std::span<const std::uint8_t> block) {
    // Stays on bytes: the preview is the first 100 bytes of the ANSI text, as
    // CF_TEXT holds it, whatever characters those bytes make up.
    const auto text_end = std::find(block.begin(), block.end(), std::uint8_t{0});
    const auto length = std::min<std::ptrdiff_t>(text_end - block.begin(),
                                                 static_cast<std::ptrdiff_t>(kPreviewTextBytes));
    return std::string(block.begin(), block.begin() + length);
}

std::u16string UnpreviewableCaption(std::span<const std::uint16_t> formats) {
    std::u16string caption = kUnpreviewableOpen;
    for (const std::uint16_t format : formats) {
        caption += DecimalText(format);
        caption += u',';
    }
    caption += kUnpreviewableClose;
    return caption;
}

std::string JoinDroppedNames(const std::vector<std::string>& ansi_names) {
    // Stays on bytes: each name is what DragQueryFileA delivers into a 261-byte
    // buffer, so at most 260 bytes of the ANSI name survive.
    std::string joined;
    for (const std::string& name : ansi_names) {
        const std::string_view text(name.c_str());  // up to an embedded NUL
        joined += text.substr(0, kMaxDroppedNameBytes);
    }
    return joined;
}

}  // namespace nimbara
