// The CF_HDROP block: a DROPFILES header followed by the list of file names. The
// block comes from whichever program filled the clipboard, so the reader trusts none
// of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nimbara {

// DROPFILES: uint32 pFiles, int32 pt.x, int32 pt.y, int32 fNC, int32 fWide, little-endian.
constexpr std::size_t kDropFilesHeaderBytes = 20;

struct DropFileList {
    bool wide = false;                       // fWide: names are UTF-16LE
    std::vector<std::string> ansi_names;     // filled when !wide, raw ANSI bytes
    std::vector<std::u16string> wide_names;  // filled when wide
    // The block broke the format: too short for its header, a name offset outside
    // the names area, or a last name without its NUL. What could be read is kept.
    bool malformed = false;
};

// Reads the names, each NUL-terminated, up to the empty name that ends the list or
// the end of the block, whichever comes first. Never reads outside the block and
// runs in time linear in its size.
[[nodiscard]] DropFileList ReadDropFiles(std::span<const std::uint8_t> block);

// A well-formed block (pt 0,0, fNC 0) holding the names in order. A name is cut at
// an embedded NUL, and empty names are left out: inside the list an empty name is its
// end. The ANSI form has fWide 0, the UTF-16 form fWide 1.
std::vector<std::uint8_t> BuildDropFiles(const std::vector<std::string>& ansi_names);
std::vector<std::uint8_t> BuildDropFiles(const std::vector<std::u16string>& wide_names);

}  // namespace nimbara
