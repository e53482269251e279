#include "platform/error.h"

#include <windows.h>

#include <new>

#include "platform/text.h"

namespace nimbara {

namespace {
ErrorReporter g_reporter = nullptr;
}

void SetErrorReporter(ErrorReporter reporter) noexcept { g_reporter = reporter; }

void ReportCurrentException() noexcept {
    try {
        std::wstring message;
        try {
            throw;
        } catch (const AppError& e) {
            message = e.message();
        } catch (const std::bad_alloc&) {
            message = L"Out of memory";
        } catch (const std::exception& e) {
            message = Utf8ToWide(e.what());
        } catch (...) {
            message = L"Unexpected error";
        }
        if (g_reporter) g_reporter(message);
    } catch (...) {
        // Reporting must never throw back into the window procedure.
    }
}

std::wstring SystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", buffer ? length : 0);
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) text = L"error " + std::to_wstring(code);
    return text;
}

}  // namespace nimbara
