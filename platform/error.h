// Errors that end a handler. The window procedure catches them at its boundary
// and hands them to the application's error report; nothing crosses into Win32.
#pragma once

#include <exception>
#include <string>

namespace nimbara {

class AppError : public std::exception {
public:
    explicit AppError(std::wstring message) : message_(std::move(message)) {}
    [[nodiscard]] const std::wstring& message() const noexcept { return message_; }
    [[nodiscard]] const char* what() const noexcept override { return "nimbara::AppError"; }

private:
    std::wstring message_;
};

// Where the window procedures send what escaped a handler. The application sets
// it at start-up; until then errors are dropped.
using ErrorReporter = void (*)(const std::wstring& message);
void SetErrorReporter(ErrorReporter reporter) noexcept;

// Called inside a catch block: turns the current exception into a report.
void ReportCurrentException() noexcept;

// The system's own text for a Win32 error code, in the user's language, without the
// line break it ends with; "error N" when the system has no text for the code.
[[nodiscard]] std::wstring SystemErrorText(unsigned long code);

}  // namespace nimbara
