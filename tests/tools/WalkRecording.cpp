#include "WalkRecording.h"

#include <ctime>
#include <vector>

#include "LogTestUtil.h"
#include "board/PacketFramer.h"
#include "sim/SimulatedBoard.h"

namespace logtest {

void RecordWalk(const std::string& path, double seconds, uint64_t seed) {
    const CScenario scenario = CScenario::Default();
    CSimulatedBoard board(scenario, seed);
    const uint8_t setMode[] = {0x11, 0x12, BoardCommand::kSetMode, BoardMode::kAllChannels,
                               0x11, 0x13};
    board.Write(setMode, sizeof setMode);

    CPacketFramer framer;
    Bytes log(CLogFormat::kHeader.begin(), CLogFormat::kHeader.end());
    constexpr int64_t kStep = CSimulatedBoard::kSecond / 10;
    const auto end = static_cast<int64_t>(seconds * double(CSimulatedBoard::kSecond));
    while (board.Now() < end) {
        board.Advance(kStep);
        const std::time_t utc = static_cast<std::time_t>(scenario.m_nStartTime +
                                                         board.Now() / CSimulatedBoard::kSecond);
        std::tm parts{};
        gmtime_r(&utc, &parts);
        const LogTime time = LogTime::FromLocal(parts);
        for (const uint8_t b : board.ReadAll()) {
            framer.PushByte(b);
            if (!framer.IsComplete()) continue;
            CLogFormat::AppendRecord(log, time, "", framer.Type(), framer.Buffer(),
                                     static_cast<uint32_t>(framer.Length()));
            framer.Reset();
        }
    }
    WriteFile(path, log);
}

}  // namespace logtest
