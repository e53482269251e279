// Arbitrary bytes as a CF_HDROP block from another program.
#include <cstddef>
#include <cstdint>
#include <span>

#include "history/file_list.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> block(data, size);
    const nimbara::DropFileList list = nimbara::ReadDropFiles(block);

    // Every name took at least one byte of the block, and only one form is filled.
    NIMBARA_FUZZ_CHECK(list.ansi_names.size() + list.wide_names.size() <= size);
    NIMBARA_FUZZ_CHECK(list.wide ? list.ansi_names.empty() : list.wide_names.empty());
    std::size_t name_bytes = 0;
    for (const auto& name : list.ansi_names) {
        NIMBARA_FUZZ_CHECK(!name.empty() && name.find('\0') == std::string::npos);
        name_bytes += name.size();
    }
    for (const auto& name : list.wide_names) {
        NIMBARA_FUZZ_CHECK(!name.empty() && name.find(u'\0') == std::u16string::npos);
        name_bytes += 2 * name.size();
    }
    NIMBARA_FUZZ_CHECK(name_bytes <= size);

    // Whatever was read, written back as a clean list, reads back the same.
    const auto rebuilt = list.wide ? nimbara::BuildDropFiles(list.wide_names)
                                   : nimbara::BuildDropFiles(list.ansi_names);
    const nimbara::DropFileList again = nimbara::ReadDropFiles(rebuilt);
    NIMBARA_FUZZ_CHECK(!again.malformed);
    NIMBARA_FUZZ_CHECK(again.ansi_names == list.ansi_names);
    NIMBARA_FUZZ_CHECK(again.wide_names == list.wide_names);
    return 0;
}
