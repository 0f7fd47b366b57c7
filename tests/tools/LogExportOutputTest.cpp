// Where the exports write: never over their own log, never a half file under
// the final name, and straight into outputs that are not regular files.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <thread>

#include "LogTestUtil.h"
#include "tests/support/PacketBuilders.h"
#include "tools/LogTool.h"

using logtest::Bytes;
using logtest::RunTool;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const kFormats[] = {"pcap", "wigle", "kml"};

// A log of `beacons` beacons of one access point, with a GPS fix first.
Bytes SurveyLog(int beacons) {
    logtest::LogBuilder log;
    log.Packet(4, {6}).Packet(7, logtest::GpsMessage(47.0, 8.5, 40000, true));
    for (int i = 0; i < beacons; ++i) {
        log.Packet(9, testpkt::CaptureData(testpkt::Beacon(testpkt::MacOf(1), "net", 6, -60)));
    }
    return log.Get();
}

std::set<std::string> FilesIn(const CTempFolder& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Root())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class ExportOutputTest : public ::testing::Test {
protected:
    void SetUp() override { logtest::WriteFile(log, original); }
    CTempFolder dir;
    std::string log = dir.Path("survey.ov");
    Bytes original = SurveyLog(3);
};

}  // namespace

TEST_F(ExportOutputTest, RefusesToWriteOverTheLogItReads) {
    const std::string link = dir.Path("hard.ov"), symlink = dir.Path("soft.ov");
    ASSERT_EQ(::link(log.c_str(), link.c_str()), 0);
    std::filesystem::create_symlink(log, symlink);
    for (const char* format : kFormats) {
        for (const std::string& out : {log, dir.Folder() + "/./survey.ov", link, symlink}) {
            const auto run = RunTool({"export", format, log, out});
            EXPECT_EQ(run.rc, kExitUsage) << format << " " << out;
            EXPECT_THAT(run.err, HasSubstr("is the log being exported")) << out;
            EXPECT_EQ(run.out, "") << out;
            EXPECT_EQ(logtest::ReadFile(log), original) << format << " " << out;
        }
    }
    EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"survey.ov", "hard.ov", "soft.ov"}));
}

TEST_F(ExportOutputTest, AFailedWriteLeavesTheEarlierFileAndNoTemporary) {
    const Bytes big = SurveyLog(400);  // about 60 KB of frames
    logtest::WriteFile(log, big);
    const std::string out = dir.Path("survey.out");
    const Bytes earlier{'o', 'l', 'd'};
    logtest::WriteFile(out, earlier);

    // Files may not grow past 16 KB: the export's writes fail with EFBIG.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::vector<logtest::ToolRun> runs;
    for (const char* format : kFormats) runs.push_back(RunTool({"export", format, log, out}));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    // The pcap holds every frame and is too large; the others are small.
    EXPECT_EQ(runs[0].rc, kExitUsage);
    EXPECT_THAT(runs[0].err, HasSubstr("could not write " + out + ": File too large"));
    EXPECT_EQ(runs[0].out, "");
    EXPECT_EQ(runs[1].rc, kExitOk) << runs[1].err;
    EXPECT_EQ(runs[2].rc, kExitOk) << runs[2].err;
    EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"survey.ov", "survey.out"}));

    // The pcap alone, failing: the earlier file is there, byte for byte.
    logtest::WriteFile(out, earlier);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    const auto failed = RunTool({"export", "pcap", log, out});
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(failed.rc, kExitUsage);
    EXPECT_EQ(logtest::ReadFile(out), earlier);
    EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"survey.ov", "survey.out"}));
}

TEST_F(ExportOutputTest, ReplacesAFileKeepingItsPermissionsAndTheLinkToIt) {
    const std::string target = dir.Path("export.csv"), viaLink = dir.Path("latest.csv");
    logtest::WriteFile(target, Bytes(100000, 'x'));
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::filesystem::create_symlink(target, viaLink);

    const auto run = RunTool({"export", "wigle", log, viaLink});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    EXPECT_TRUE(std::filesystem::is_symlink(viaLink));
    const Bytes written = logtest::ReadFile(target);
    EXPECT_EQ(std::string(written.begin(), written.begin() + 13), "WigleWifi-1.6");
    EXPECT_LT(written.size(), 1000u);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A new file gets what a plain create gives under the umask.
    const mode_t mask = ::umask(022);
    const std::string fresh = dir.Path("fresh.kml");
    ASSERT_EQ(RunTool({"export", "kml", log, fresh}).rc, kExitOk);
    ::umask(mask);
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(FilesIn(dir),
              (std::set<std::string>{"survey.ov", "export.csv", "latest.csv", "fresh.kml"}));
}

TEST_F(ExportOutputTest, OutputsThatAreNotFilesAreWrittenDirectly) {
    // A full device: the failure, and no success line.
    for (const char* format : kFormats) {
        const auto run = RunTool({"export", format, log, "/dev/full"});
        EXPECT_EQ(run.rc, kExitUsage) << format;
        EXPECT_THAT(run.err, HasSubstr("could not write /dev/full: No space left on device"));
        EXPECT_THAT(run.out, Not(HasSubstr("written"))) << format;
    }
    // The null device takes the export and stays a device.
    const auto sunk = RunTool({"export", "pcap", log, "/dev/null"});
    EXPECT_EQ(sunk.rc, kExitOk) << sunk.err;
    EXPECT_EQ(sunk.out, "3 frames written to /dev/null\n");
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));

    // A FIFO nobody reads is refused at once; one with a reader gets the export.
    const std::string fifo = dir.Path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto unread = RunTool({"export", "wigle", log, fifo});
    EXPECT_EQ(unread.rc, kExitUsage);
    EXPECT_THAT(unread.err, HasSubstr("cannot write " + fifo + ": no process reads it"));
    std::string received;
    std::thread reader([&] {
        const int fd = ::open(fifo.c_str(), O_RDONLY);
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof(buffer))) > 0;) received.append(buffer, n);
        ::close(fd);
    });
    // The export opens the FIFO only once the reader is waiting on it.
    logtest::ToolRun piped;
    for (int attempt = 0; attempt < 500; ++attempt) {
        piped = RunTool({"export", "wigle", log, fifo});
        if (piped.rc != kExitUsage) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    reader.join();
    EXPECT_EQ(piped.rc, kExitOk) << piped.err;
    EXPECT_THAT(received, ::testing::StartsWith("WigleWifi-1.6,"));
    EXPECT_THAT(received, HasSubstr("02:00:00:00:00:01,net,[ESS],"));
}

TEST_F(ExportOutputTest, LogsThatAreNotRegularFilesAreRefusedWithoutWaiting) {
    const std::string fifo = dir.Path("log-pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string out = dir.Path("out");
    for (const std::string& in : {fifo, std::string("/dev/null"), dir.Folder()}) {
        for (const std::vector<std::string>& args : {std::vector<std::string>{"info", in},
                                                     {"dump", in},
                                                     {"verify", in},
                                                     {"export", "wigle", in, out}}) {
            const auto run = RunTool(args);
            EXPECT_EQ(run.rc, kExitUsage) << args[0] << " " << in;
            EXPECT_THAT(run.err, HasSubstr("cannot open " + in + ": "));
        }
    }
    EXPECT_THAT(RunTool({"info", fifo}).err, HasSubstr("not a regular file"));
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(ExportOutputTest, AnOutputThatIsStandardOutputIsAppendedToAndKeepsTheSummaryOut) {
    // As `orvalis-log export wigle LOG /dev/stdout >> all.csv` runs.
    const std::string all = dir.Path("all.csv");
    logtest::WriteFile(all, {'f', 'i', 'r', 's', 't', '\n'});
    std::FILE* out = std::fopen(all.c_str(), "a");
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out != nullptr && err != nullptr);
    const char* argv[] = {"orvalis-log", "export", "wigle", log.c_str(), all.c_str()};
    EXPECT_EQ(RunLogTool(5, argv, out, err), kExitOk);
    std::fclose(out);
    std::rewind(err);
    char text[512] = {};
    const size_t n = std::fread(text, 1, sizeof(text) - 1, err);
    std::fclose(err);
    EXPECT_THAT(std::string(text, n), HasSubstr("1 row (1 access point) written to " + all));

    const Bytes bytes = logtest::ReadFile(all);
    const std::string csv(bytes.begin(), bytes.end());
    EXPECT_THAT(csv, ::testing::StartsWith("first\nWigleWifi-1.6,"));
    EXPECT_THAT(csv, ::testing::EndsWith(",WIFI\n"));
    EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"survey.ov", "all.csv"}));
}
