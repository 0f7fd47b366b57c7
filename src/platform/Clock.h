#pragma once

#include <ctime>

// The local time the program sees. Normally the system clock; a script or a
// test can set it to a given local time, from which it keeps running, or hold
// it still at one.
class CClock {
public:
    // Seconds since the epoch, as the program sees them.
    static std::time_t Now();
    // The program's local time, broken down.
    static std::tm LocalNow();
    // From now on, Now() reads `local` (a local time) and advances with the
    // system clock.
    static void SetLocal(const std::tm& local);
    // From now on, Now() reads `local` (a local time) and stands still, until
    // SetLocal or Reset.
    static void Hold(const std::tm& local);
    // Back to the system clock.
    static void Reset();
};
