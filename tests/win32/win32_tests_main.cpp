// The Win32 tests' program. The code under test starts the current executable as its clipboard
// reader (kClipReaderArgument); started so, this program is a reader too, as the product is.
#include <gtest/gtest.h>

#include <string_view>

#include "app/clip_reader_main.h"
#include "history/clip_reader.h"

namespace {

bool IsReaderArgument(std::string_view argument) {
    const std::wstring_view reader = nimbara::kClipReaderArgument;
    if (argument.size() != reader.size()) return false;
    for (std::size_t i = 0; i < reader.size(); ++i)
        if (static_cast<wchar_t>(argument[i]) != reader[i]) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && IsReaderArgument(argv[1])) return nimbara::RunClipReader();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
