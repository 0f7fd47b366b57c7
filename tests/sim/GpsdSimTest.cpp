// orvalis-board-sim --gps: the simulated board carries a real receiver's
// track, read from a gpsd that gpsfake feeds.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "board/Wire.h"
#include "gps/GpsStatus.h"
#include "tests/sim/SimTestUtil.h"
#include "tests/support/GpsdFake.h"
#include "tests/support/TempFolder.h"

extern char** environ;

namespace {

TEST(SimGpsd, BoardGpsMessagesCarryTheGpsdTrack) {
    if (const std::string why = CGpsdFake::Unavailable(); !why.empty())
        GTEST_SKIP() << "gpsd cannot run here: " << why;
    CTempFolder folder;
    CGpsdFake gpsd(folder.Root());
    const int port = CGpsdFake::FreePort();
    const std::string walk =
        CGpsdFake::Walk({90000, -34.6037, -58.3816, 25.0, true, 1.0, 180.0}, -1e-4, "010126");
    ASSERT_EQ(gpsd.Start(port, walk), 0) << gpsd.Output();

    std::string program = std::string(ORV_BINARY_DIR) + "/sim/orvalis-board-sim";
    std::vector<std::string> args = {program, "--stdio", "--duration",
                                     "6",     "--gps",   "gpsd:127.0.0.1:" + std::to_string(port)};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, folder.Path("board.bin").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, folder.Path("board.err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    gpsd.Stop();
    std::ifstream errFile(folder.Path("board.err"));
    const std::string err((std::istreambuf_iterator<char>(errFile)), {});
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << err;
    EXPECT_NE(err.find("orvalis-board-sim: reading positions from gpsd"), std::string::npos) << err;

    std::ifstream in(folder.Path("board.bin"), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    simtest::StreamDecoder decoder;
    int fixes = 0;
    int fixes3D = 0;
    for (const auto& packet : decoder.Push(bytes)) {
        if (packet.type != PacketType::kGps) continue;
        ASSERT_TRUE(packet.checkOk);
        ASSERT_EQ(packet.payload.size(), kGpsMessageSize + 1);
        // gpsd's receiver only: the scenario's own receiver stays silent.
        EXPECT_EQ(std::string(packet.payload.begin() + 145, packet.payload.begin() + 151),
                  "GPSD  ");
        CGpsStatus gps;
        ASSERT_EQ(gps.Decode(packet.payload.data(), kGpsMessageSize), 0);
        EXPECT_EQ(gps.FormatLongitude(), "58.3816 W");
        EXPECT_NEAR(gps.m_dLatitude2, -34.6039, 2.1e-4);
        // gpsd may call the first epoch 2D before it has seen an altitude.
        EXPECT_GE(gps.m_nFixStatus, 6);
        fixes3D += gps.m_nFixStatus == 7 ? 1 : 0;
        ++fixes;
    }
    EXPECT_GE(fixes, 2);
    EXPECT_GE(fixes3D, 1);
}

}  // namespace
