#include "history/file_list.h"

#include <algorithm>
#include <iterator>

#include "history/little_endian.h"

namespace nimbara {
namespace {

constexpr std::size_t kFilesOffsetAt = 0;
constexpr std::size_t kWideFlagAt = 16;

void AppendLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.resize(out.size() + 4);
    WriteLittleEndian(std::span<std::uint8_t>(out), out.size() - 4, value);
}

// Each name is taken in one pass and the scan goes on after its NUL, so the whole
// list costs one look at every byte.
void ReadAnsiNames(std::span<const std::uint8_t> names, DropFileList& list) {
    auto at = names.begin();
    while (at != names.end()) {
        const auto nul = std::find(at, names.end(), std::uint8_t{0});
        if (nul == at) return;  // the empty name ends the list
        list.ansi_names.emplace_back(at, nul);
        if (nul == names.end()) {
            list.malformed = true;
            return;
        }
        at = std::next(nul);
    }
}

void ReadWideNames(std::span<const std::uint8_t> names, DropFileList& list) {
    // A stray odd byte at the end cannot hold a UTF-16 unit; it is not read.
    const std::size_t units = names.size() / 2;
    std::u16string name;
    for (std::size_t i = 0; i < units; ++i) {
        const auto unit = static_cast<char16_t>(ReadLittleEndian16(names, 2 * i));
        if (unit == u'\0') {
            if (name.empty()) return;  // the empty name ends the list
            list.wide_names.push_back(std::move(name));
            name.clear();
        } else {
            name += unit;
        }
    }
    if (!name.empty()) {
        list.wide_names.push_back(std::move(name));
        list.malformed = true;
    }
}

void AppendHeader(std::vector<std::uint8_t>& out, bool wide) {
    AppendLittleEndian32(out, static_cast<std::uint32_t>(kDropFilesHeaderBytes));
    AppendLittleEndian32(out, 0);  // pt.x
    AppendLittleEndian32(out, 0);  // pt.y
    AppendLittleEndian32(out, 0);  // fNC
    AppendLittleEndian32(out, wide ? 1 : 0);
}

}  // namespace

DropFileList ReadDropFiles(std::span<const std::uint8_t> block) {
    DropFileList list;
    if (block.size() < kDropFilesHeaderBytes) {
        list.malformed = true;
        return list;
    }
    list.wide = ReadLittleEndian32(block, kWideFlagAt) != 0;
    const std::uint32_t files_at = ReadLittleEndian32(block, kFilesOffsetAt);
    if (files_at < kDropFilesHeaderBytes || files_at >= block.size()) {
        list.malformed = true;
        return list;
    }
    const auto names = block.subspan(files_at);
    if (list.wide) {
        ReadWideNames(names, list);
    } else {
        ReadAnsiNames(names, list);
    }
    return list;
}

std::vector<std::uint8_t> BuildDropFiles(const std::vector<std::string>& ansi_names) {
    std::vector<std::uint8_t> block;
    AppendHeader(block, false);
    for (const std::string& name : ansi_names) {
        const std::string_view text(name.c_str());  // up to an embedded NUL
        if (text.empty()) continue;
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(0);
    }
    block.push_back(0);
    return block;
}

std::vector<std::uint8_t> BuildDropFiles(const std::vector<std::u16string>& wide_names) {
    std::vector<std::uint8_t> block;
    AppendHeader(block, true);
    const auto append_unit = [&block](char16_t unit) {
        block.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        block.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    for (const std::u16string& name : wide_names) {
        const std::u16string_view text(name.c_str());  // up to an embedded NUL
        if (text.empty()) continue;
        for (const char16_t unit : text) append_unit(unit);
        append_unit(u'\0');
    }
    append_unit(u'\0');
    return block;
}

}  // namespace nimbara
