// The texts a capture writes on the newest tile: the text preview, the file-list
// caption and the caption of a clipboard that has nothing to preview.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nimbara {

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

// "(文件或文件夹) ", trailing blank included; DroppedFileNames follow it directly.
inline constexpr char16_t kFilesCaptionPrefix[] = u"(\u6587\u4EF6\u6216\u6587\u4EF6\u5939) ";

}  // namespace nimbara
