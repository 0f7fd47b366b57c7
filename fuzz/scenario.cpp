// Scenario files as a person writes them for the simulated board. A refused
// file names its line; an accepted one must drive the simulator: the board
// runs a second in the mode the last input byte picks, and every packet it
// sends must frame and carry a good check byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/Framing.h"
#include "board/PacketFramer.h"
#include "board/Wire.h"
#include "sim/Scenario.h"
#include "sim/SimulatedBoard.h"

namespace {

constexpr int kModes[] = {BoardMode::kOneChannel,  BoardMode::kNarrowSpectrum,
                          BoardMode::kAllChannels, BoardMode::kSpectrum,
                          BoardMode::kUsage,       BoardMode::kUtilization};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CScenario scenario;
    std::string error;
    if (CScenario::Parse(text, "fuzz.json", scenario, error) != 0) {
        // "fuzz.json:LINE: problem"
        if (error.rfind("fuzz.json:", 0) != 0) __builtin_trap();
        return 0;
    }
    for (const CScenario::Client& client : scenario.m_aClients)
        if (client.ap >= scenario.m_aAccessPoints.size()) __builtin_trap();

    CSimulatedBoard board(scenario, 1);
    const uint8_t mode = static_cast<uint8_t>(kModes[size > 0 ? data[size - 1] % 6 : 0]);
    uint8_t command[16];
    const int n = FrameCommand(BoardCommand::kSetMode, &mode, 1, command, sizeof command);
    if (n < 0) __builtin_trap();
    board.Write(command, static_cast<size_t>(n));
    board.Advance(CSimulatedBoard::kSecond);
    const std::vector<uint8_t> line = board.ReadAll();

    CPacketFramer framer;
    for (uint8_t b : line) {
        framer.PushByte(b);
        if (!framer.IsComplete()) continue;
        uint8_t check = framer.Type();
        for (int32_t i = 0; i < framer.Length(); ++i) check ^= framer.Buffer()[i];
        if (check != 0) __builtin_trap();
        framer.Reset();
    }
    return 0;
}
