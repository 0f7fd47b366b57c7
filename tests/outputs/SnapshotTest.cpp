// Snapshots: the JPEG writer on the system libjpeg (what it writes, how it
// fails inside the library) and the snapshot command's counter and dialog.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/SurveyData.h"
#include "outputs/JpegWriter.h"
#include "outputs/Snapshot.h"
#include "tests/support/JpegDecode.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kWriteError = "Output file write error --- out of disk space?";

class SnapshotFolder : public ::testing::Test {
protected:
    void SetUp() override {
        static int n = 0;
        m_dir = fs::temp_directory_path() /
                ("orvalis-snap-" + std::to_string(getpid()) + "-" + std::to_string(++n));
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    fs::path m_dir;
};

// Colour bands with a fine grey texture (so the file runs to tens of
// kilobytes); the top half is bluer than the bottom.
std::vector<uint8_t> TestImage(int width, int height) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
            const int texture = ((x * 7 + y * 13) % 5) * 6;
            p[0] = static_cast<uint8_t>((x / 16) * 12 + texture);
            p[1] = static_cast<uint8_t>((y / 16) * 12 + texture);
            p[2] = static_cast<uint8_t>((y < height / 2 ? 200 : 30) + texture);
        }
    }
    return rgb;
}

double MeanError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / static_cast<double>(a.size());
}

// A stream that refuses every byte after the first `limit`.
struct FailingSink {
    size_t limit;
    size_t written = 0;
};

std::FILE* OpenFailingStream(FailingSink* sink) {
    cookie_io_functions_t io{};
    io.write = [](void* cookie, const char*, size_t size) -> ssize_t {
        auto* s = static_cast<FailingSink*>(cookie);
        if (s->written >= s->limit) return -1;
        const size_t n = std::min(size, s->limit - s->written);
        s->written += n;
        return static_cast<ssize_t>(n);
    };
    return fopencookie(sink, "wb", io);
}

using JpegWriterTest = SnapshotFolder;

TEST_F(JpegWriterTest, WritesABaselineRgbImageTopLineFirst) {
    const auto image = TestImage(240, 265);
    ASSERT_EQ(WriteJpegFile(Path("a.jpg").c_str(), 240, 265, 100, image.data()), 0);
    EXPECT_STREQ(GetJpegErrorText(), "");
    DecodedJpeg jpeg;
    ASSERT_EQ(DecodeJpegFile(Path("a.jpg"), jpeg), 0);
    EXPECT_EQ(jpeg.nWidth, 240);
    EXPECT_EQ(jpeg.nHeight, 265);
    EXPECT_EQ(jpeg.nComponents, 3);
    EXPECT_FALSE(jpeg.bProgressive);
    // Baseline frames start with SOF0.
    const std::string bytes = Read("a.jpg");
    EXPECT_NE(bytes.find("\xFF\xC0"), std::string::npos);
    ASSERT_EQ(jpeg.pixels.size(), image.size());
    EXPECT_LT(MeanError(image, jpeg.pixels), 2.0);
    // Top line first: the blue half is on top.
    EXPECT_GT(jpeg.pixels[(10 * 240 + 10) * 3 + 2], 180);
    EXPECT_LT(jpeg.pixels[(250 * 240 + 10) * 3 + 2], 70);
}

TEST_F(JpegWriterTest, DestinationFailingPartWayGivesTheLibraryMessage) {
    const auto image = TestImage(240, 265);
    // Before the header, inside the scanlines, and at the last flush.
    for (size_t limit : {size_t{0}, size_t{100}, size_t{5000}, size_t{30000}}) {
        SCOPED_TRACE(limit);
        FailingSink sink{limit};
        std::FILE* stream = OpenFailingStream(&sink);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(WriteJpegStream(stream, 240, 265, 100, image.data()), -1);
        EXPECT_STREQ(GetJpegErrorText(), kWriteError);
        std::fclose(stream);
    }
    // The next image starts with a clean text.
    ASSERT_EQ(WriteJpegFile(Path("b.jpg").c_str(), 240, 265, 100, image.data()), 0);
    EXPECT_STREQ(GetJpegErrorText(), "");
    EXPECT_GT(fs::file_size(Path("b.jpg")), 30000u);
}

TEST_F(JpegWriterTest, UnwritableAndUnopenableFiles) {
    const auto image = TestImage(240, 265);
    // A file every write to which fails: the library gives up inside.
    EXPECT_EQ(WriteJpegFile("/dev/full", 240, 265, 100, image.data()), -1);
    EXPECT_STREQ(GetJpegErrorText(), kWriteError);

    const std::string missing = Path("no-such-folder/x.jpg");
    EXPECT_EQ(WriteJpegFile(missing.c_str(), 240, 265, 100, image.data()), -1);
    EXPECT_EQ(std::string(GetJpegErrorText()), "Can't open file\"" + missing + "\"");

    // An image the library refuses is its message, not a crash.
    EXPECT_EQ(WriteJpegFile(Path("c.jpg").c_str(), 0, 265, 100, image.data()), -1);
    EXPECT_STRNE(GetJpegErrorText(), "");
}

TEST(SnapshotCounterTest, FirstLineGivesTheNumberAndOddContentsGiveSafeOnes) {
    struct Case {
        const char* contents;  // nullptr: no file
        long long number;
    };
    const Case cases[] = {
        {nullptr, 1},
        {"123\n", 123},
        {"7", 7},
        {"  42 snapshots\n", 42},
        {"", 1},
        {"junk\n", 1},
        {"-5\n", 1},
        {"0\n", 1},
        {"2147483648\n", 2147483648LL},
        {"99999999999999999999999999\n", CSnapshot::kMaxNumber},
        {"\n55\n", 1},
    };
    const fs::path path = fs::temp_directory_path() / ("orvalis-cnt-" + std::to_string(getpid()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contents == nullptr ? "(none)" : c.contents);
        fs::remove(path);
        if (c.contents != nullptr) std::ofstream(path, std::ios::binary) << c.contents;
        EXPECT_EQ(CSnapshot::ReadCounter(path.string()), c.number);
    }
    fs::remove(path);
    EXPECT_EQ(CSnapshot::ProposedName(1), "ov000001.jpg");
    EXPECT_EQ(CSnapshot::ProposedName(123), "ov000123.jpg");
    EXPECT_EQ(CSnapshot::ProposedName(12345678), "ov12345678.jpg");
}

class SnapshotCommandTest : public SnapshotFolder {
protected:
    // The command with its dialog answered by `answer` ("" cancels; a name
    // is taken in the data folder).
    int Snap(const std::string& answer) {
        CSnapshot::Setup setup;
        setup.pData = &m_data;
        setup.strDataDir = m_dir.string();
        setup.playSound = [this](const char* name) {
            m_events.push_back(std::string("sound ") + name);
        };
        setup.chooseFile = [this, answer](const std::string& folder, const std::string& name) {
            const auto lock = m_data.Lock();
            m_events.push_back("dialog " + name + " refresh " +
                               std::to_string(m_data.m_bRefreshEnabled));
            return answer.empty() ? std::string() : (fs::path(folder) / answer).string();
        };
        setup.showMessage = [this](std::string_view text) {
            m_events.push_back("message " + std::string(text));
        };
        CSnapshot snapshot(std::move(setup));
        return snapshot.OnSnapshot(nullptr);
    }

    CSurveyData m_data;
    std::vector<std::string> m_events;
};

TEST_F(SnapshotCommandTest, ConfirmedDialogWritesTheImageAndAdvancesTheCounter) {
    EXPECT_EQ(Snap("ov000001.jpg"), 0);
    EXPECT_EQ(m_events,
              (std::vector<std::string>{"sound CAMERA", "dialog ov000001.jpg refresh 0"}));
    EXPECT_EQ(Read(CSnapshot::kCounterFile), "2\n");
    EXPECT_EQ(m_data.m_bRefreshEnabled, 1);
    DecodedJpeg jpeg;
    ASSERT_EQ(DecodeJpegFile(Path("ov000001.jpg"), jpeg), 0);
    EXPECT_EQ(jpeg.nWidth, 240);
    EXPECT_EQ(jpeg.nHeight, 265);

    m_events.clear();
    EXPECT_EQ(Snap("other"), 0);
    EXPECT_EQ(m_events.back(), "dialog ov000002.jpg refresh 0");
    EXPECT_EQ(Read(CSnapshot::kCounterFile), "3\n");
}

TEST_F(SnapshotCommandTest, CancelWritesNothingAndKeepsTheCounter) {
    Write(CSnapshot::kCounterFile, "123\n");
    EXPECT_EQ(Snap(""), 1);
    EXPECT_EQ(m_events.back(), "dialog ov000123.jpg refresh 0");
    EXPECT_EQ(Read(CSnapshot::kCounterFile), "123\n");
    EXPECT_EQ(m_data.m_bRefreshEnabled, 1);
    EXPECT_FALSE(fs::exists(Path("ov000123.jpg")));
}

TEST_F(SnapshotCommandTest, FailedWritesAreToldAndStillUseUpTheNumber) {
    // A folder where the file should be cannot be opened as a file.
    fs::create_directories(Path("ov000001.jpg"));
    EXPECT_EQ(Snap("ov000001.jpg"), -1);
    EXPECT_EQ(m_events.back(), "message Can't open file\"" + Path("ov000001.jpg") + "\"");
    EXPECT_EQ(Read(CSnapshot::kCounterFile), "2\n");

    // A file that refuses its bytes fails inside the library.
    fs::create_symlink("/dev/full", Path("ov000002.jpg"));
    EXPECT_EQ(Snap("ov000002.jpg"), -1);
    // The library's message does not name the file; the path follows it.
    EXPECT_EQ(m_events.back(), std::string("message ") + kWriteError + "\n" + Path("ov000002.jpg"));
    EXPECT_EQ(Read(CSnapshot::kCounterFile), "3\n");
    EXPECT_EQ(m_data.m_bRefreshEnabled, 1);
}

TEST_F(SnapshotCommandTest, CounterAtItsCeilingStaysThere) {
    Write(CSnapshot::kCounterFile, "999999999999999999\n");
    EXPECT_EQ(Snap("top.jpg"), 0);
    EXPECT_EQ(m_events.back(), "dialog ov999999999999999999.jpg refresh 0");
    EXPECT_EQ(Read(CSnapshot::kCounterFile), "999999999999999999\n");
}

}  // namespace
