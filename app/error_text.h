// The text of the application's error report: the error's message with a full stop
// appended unless it already ends in punctuation that sorts at or before ".".
#pragma once

#include <string>
#include <string_view>

namespace nimbara {

std::u16string ErrorReportText(std::u16string_view message);

}  // namespace nimbara
