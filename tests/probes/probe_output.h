// Output of the probe: one JSON object per line on stdout, UTF-8.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace probe {

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);
std::string Hex(const void* data, size_t size);
std::string Sha256Hex(const void* data, size_t size);

// Milliseconds since 1970 by the system clock, so a driver can set notices against its own clock.
int64_t UnixMillis();

// Builds one JSON object; values are appended in order, strings are escaped.
class Json {
public:
    Json& Str(const char* key, const std::string& utf8);
    Json& Str(const char* key, const std::wstring& text);
    Json& Int(const char* key, int64_t value);
    Json& Uint(const char* key, uint64_t value);
    Json& Bool(const char* key, bool value);
    Json& Raw(const char* key, const std::string& json);
    Json& Hwnd(const char* key, HWND hwnd);
    Json& Rect(const char* key, const RECT& rect);
    std::string Text() const { return "{" + body_ + "}"; }

private:
    void Key(const char* key);
    std::string body_;
};

std::string Quote(const std::string& utf8);
std::string JsonArray(const std::vector<std::string>& items);
std::string Failure(const std::string& error);
std::string FailureWithCode(const std::string& error, DWORD code);

// Writes one line to stdout; stdout may be a pipe, so it is written as raw bytes.
void WriteLine(const std::string& line);

}  // namespace probe
