#include "platform/error.h"

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
        } catch (const SilentAbort&) {
            return;
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

}  // namespace nimbara
