#include "platform/Clock.h"

#include <atomic>

namespace {
// Offset added to the system clock, in seconds; atomic because the reader
// thread stamps battery reports while a script may move the clock.
std::atomic<long long> g_offset{0};
}  // namespace

std::time_t CClock::Now() { return std::time(nullptr) + static_cast<std::time_t>(g_offset.load()); }

std::tm CClock::LocalNow() {
    std::time_t t = Now();
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

void CClock::SetLocal(const std::tm& local) {
    std::tm copy = local;
    copy.tm_isdst = -1;
    std::time_t wanted = std::mktime(&copy);
    g_offset.store(static_cast<long long>(wanted) - static_cast<long long>(std::time(nullptr)));
}

void CClock::Reset() { g_offset.store(0); }
