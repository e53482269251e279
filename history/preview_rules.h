// What a tile previews of a snapshot, and the texts it writes: the text preview, the
// file-list caption and the caption of a clipboard that has nothing to preview.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nimbara {

enum class PreviewKind : std::uint8_t { kText, kPicture, kFiles, kFormatNumbers };

struct PreviewChoice {
    PreviewKind kind = PreviewKind::kFormatNumbers;
    std::size_t record = 0;  // where the format it is made from stands; unused for the numbers
};

// A text before anything else, CF_TEXT before CF_UNICODETEXT before CF_OEMTEXT; else the
// first picture (a bitmap or either metafile) in the snapshot's order; else the file list;
// else the numbers of all the formats.
[[nodiscard]] PreviewChoice ChoosePreview(std::span<const std::uint16_t> formats) noexcept;

constexpr std::size_t kPreviewTextBytes = 100;

// The CF_TEXT block up to its first NUL (or its end, when it holds none), cut to its
// first 100 bytes. The cut counts bytes of the ANSI text, not characters, so a
// double-byte character whose lead byte is byte 100 keeps only that lead byte.
std::string CutPreviewText(std::span<const std::uint8_t> block);

// "(无法预览[11,12,])": each clipboard format number in unsigned decimal followed by a
// comma, the last one included.
std::u16string UnpreviewableCaption(std::span<const std::uint16_t> formats);

constexpr std::size_t kMaxDroppedNameBytes = 260;

// The names of a copied file list, each cut at an embedded NUL and to its first 260
// bytes, run together with nothing between them.
std::string JoinDroppedNames(const std::vector<std::string>& ansi_names);

// "(文件或文件夹) ", trailing blank included; the joined names follow it directly.
inline constexpr char16_t kFilesCaptionPrefix[] = u"(\u6587\u4EF6\u6216\u6587\u4EF6\u5939) ";

}  // namespace nimbara
