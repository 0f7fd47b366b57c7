#pragma once

#include <cstdio>
#include <exception>
#include <new>

// The exit code of a program whose own fault ended it: an exception nothing
// else handled. 0, 1 and 2 keep their meanings (success, a failure of the
// work, bad usage).
inline constexpr int kExitInternalFault = 3;

// Runs a program's main body. An exception that gets this far is reported on
// one line ("PROGRAM: internal error: WHAT") and becomes kExitInternalFault,
// instead of an abort without a word.
template <class Body>
int RunGuardedMain(const char* program, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: internal error: out of memory\n", program);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: internal error: %s\n", program, e.what());
    } catch (...) {
        std::fprintf(stderr, "%s: internal error\n", program);
    }
    return kExitInternalFault;
}
