// Feeds arbitrary bytes to the GPS message decoder, then renders every text
// the GPS screen prints.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "gps/GpsStatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CGpsStatus gps;
    const auto length = static_cast<uint32_t>(size > UINT32_MAX ? UINT32_MAX : size);
    const int result = gps.Decode(data, length);
    if ((result == 0) != (size >= CGpsStatus::kMessageSize)) __builtin_trap();
    if (result == 0 && gps.m_bMessageReceived != 1) __builtin_trap();

    size_t total = 0;
    total += gps.FormatDate().size();
    total += gps.FormatTime().size();
    total += gps.FormatLatitude().size();
    total += gps.FormatLongitude().size();
    total += std::strlen(gps.FormatHeading());
    total += std::strlen(gps.FormatFixStatus());
    total += gps.FormatVelocity().size();
    total += gps.FormatAltitude().size();
    // Every text fits a screen row of the value column.
    if (total > 200) __builtin_trap();
    return 0;
}
