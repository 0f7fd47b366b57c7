#include "platform/Clock.h"

#include <atomic>
#include <climits>

namespace {
// Offset added to the system clock, in seconds, and the time the clock is
// held at (kRunning when it runs); atomic because the reader thread stamps
// battery reports while a script may move the clock.
constexpr long long kRunning = LLONG_MIN;
std::atomic<long long> g_offset{0};
std::atomic<long long> g_held{kRunning};

long long Seconds(const std::tm& local) {
    std::tm copy = local;
    copy.tm_isdst = -1;
    return static_cast<long long>(std::mktime(&copy));
}
}  // namespace

std::time_t CClock::Now() {
    const long long held = g_held.load();
    if (held != kRunning) return static_cast<std::time_t>(held);
    return std::time(nullptr) + static_cast<std::time_t>(g_offset.load());
}

std::tm CClock::LocalNow() {
    std::time_t t = Now();
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

void CClock::SetLocal(const std::tm& local) {
    g_offset.store(Seconds(local) - static_cast<long long>(std::time(nullptr)));
    g_held.store(kRunning);
}

void CClock::Hold(const std::tm& local) {
    g_held.store(Seconds(local));
}

void CClock::Reset() {
    g_offset.store(0);
    g_held.store(kRunning);
}
