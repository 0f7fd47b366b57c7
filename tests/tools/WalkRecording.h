#pragma once

#include <cstdint>
#include <string>

// Records a session of the simulated board with the built-in scenario's walk
// as a packet log: the board in the all-channels mode (hopping), every packet
// it sends stamped with the scenario's clock (UTC), as the program records.
namespace logtest {

void RecordWalk(const std::string& path, double seconds, uint64_t seed = 1);

}  // namespace logtest
