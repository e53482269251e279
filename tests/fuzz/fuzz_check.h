// A property the fuzzer must never break; a broken one ends the run as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#define NIMBARA_FUZZ_CHECK(condition)                                                           \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)
