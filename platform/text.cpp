#include "platform/text.h"

#include <windows.h>

namespace nimbara {

namespace {

std::wstring MultiToWide(UINT code_page, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int n = ::MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()),
                                        nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) {
        ::MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()),
                              out.data(), n);
    }
    return out;
}

std::string WideToMulti(UINT code_page, std::wstring_view text) {
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) {
        ::WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              n, nullptr, nullptr);
    }
    return out;
}

}  // namespace

std::wstring AnsiToWide(std::string_view bytes) {
    // The conversion is bounded by the given length, so a trailing lone lead byte
    // can never pull in bytes behind the text.
    if (!bytes.empty() && ::IsDBCSLeadByte(static_cast<BYTE>(bytes.back()))) {
        // Only a lead byte that is really alone counts: walk the pairs from the start.
        size_t i = 0;
        while (i < bytes.size()) {
            i += ::IsDBCSLeadByte(static_cast<BYTE>(bytes[i])) ? 2 : 1;
        }
        if (i > bytes.size()) {
            std::wstring head = MultiToWide(CP_ACP, bytes.substr(0, bytes.size() - 1));
            head.push_back(L'\xFFFD');
            return head;
        }
    }
    return MultiToWide(CP_ACP, bytes);
}

std::string WideToAnsi(std::wstring_view text) { return WideToMulti(CP_ACP, text); }
std::wstring Utf8ToWide(std::string_view text) { return MultiToWide(CP_UTF8, text); }

}  // namespace nimbara
