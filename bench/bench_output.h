// What the benchmark commands print: one line per measurement, read by tools/bench.py,
// which takes the medians and spreads. Times are in milliseconds of Windows time
// (the performance counter), sizes in bytes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// Milliseconds since an arbitrary start, from the performance counter.
double NowMs();

// "sample NAME VALUE": one of several repeated measurements of NAME.
void Sample(const char* name, double value);
// "note TEXT": something the reader of the table should know.
void Note(const std::string& text);

// Handles messages sent or posted to this thread for up to `ms` milliseconds.
void PumpFor(DWORD ms);

// The main window of the running Nimbara, or null.
HWND FindNimbara();

using Args = std::vector<std::wstring>;
int IntArg(const Args& args, size_t index, int fallback);

}  // namespace bench
