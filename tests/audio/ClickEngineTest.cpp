#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/ClickEngine.h"
#include "platform/AudioOutput.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A canonical kernel file: 8-bit mono at 11025 Hz, every sample `sample`.
std::vector<uint8_t> KernelFile(uint8_t sample = 138, uint16_t tag = 1, uint16_t bits = 8) {
    std::vector<uint8_t> f(44 + 256, sample);
    std::fill(f.begin(), f.begin() + 44, uint8_t{0});
    f[20] = static_cast<uint8_t>(tag);
    f[22] = 1;
    f[24] = 0x11;  // 11025
    f[25] = 0x2B;
    f[34] = static_cast<uint8_t>(bits);
    return f;
}

// A device that plays a block when the test says so (or at once), and
// checks that the engine never queues while a block is still out.
class FakeDevice : public IClickDevice {
public:
    struct State {
        std::mutex mutex;
        std::condition_variable cv;
        bool bAutoDone = true;
        bool bOut = false;  // a block queued and not yet played
        int nOpened = 0;
        int nQueued = 0;
        int nOverlaps = 0;
        int nFailAt = -1;  // Queue call (1-based) that is refused
        int nCalls = 0;
        CWaveFile::Format format;
    };
    explicit FakeDevice(std::shared_ptr<State> s) : m_s(std::move(s)) {}
    int Open(const CWaveFile::Format& format) override {
        std::lock_guard<std::mutex> lock(m_s->mutex);
        m_s->format = format;
        ++m_s->nOpened;
        return format.nFormatTag == 1 ? 0 : -1;
    }
    int Queue(std::span<const uint8_t> block, std::string& error) override {
        std::lock_guard<std::mutex> lock(m_s->mutex);
        EXPECT_EQ(block.size(), 256u);
        if (++m_s->nCalls == m_s->nFailAt) {
            error = "refused";
            return -1;
        }
        if (m_s->bOut) ++m_s->nOverlaps;
        m_s->bOut = !m_s->bAutoDone;
        ++m_s->nQueued;
        return 0;
    }
    bool WaitDone(std::chrono::milliseconds timeout) override {
        std::unique_lock<std::mutex> lock(m_s->mutex);
        return m_s->cv.wait_for(lock, timeout, [this] { return !m_s->bOut; });
    }

private:
    std::shared_ptr<State> m_s;
};

struct Box {
    std::string caption;
    std::string text;
};

class ClickEngineTest : public ::testing::Test {
protected:
    // An engine on a fake device with boxes recorded (and dismissed at once
    // unless bHoldBoxes).
    std::unique_ptr<CClickEngine> Make(std::vector<uint8_t> kernel = KernelFile(),
                                       uint32_t seed = 1, bool bDevice = true) {
        CClickEngine::Setup setup;
        setup.kernelFile = std::move(kernel);
        if (bDevice) setup.pDevice = std::make_unique<FakeDevice>(device);
        setup.random = CClickRandom(seed);
        setup.showMessage = [this](std::string_view caption, std::string_view text,
                                   std::function<void()> dismissed) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_boxes.push_back({std::string(caption), std::string(text)});
            if (bHoldBoxes) {
                m_held.push_back(std::move(dismissed));
            } else {
                dismissed();
            }
        };
        return std::make_unique<CClickEngine>(std::move(setup));
    }
    std::vector<Box> Boxes() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_boxes;
    }
    // Waits until pred holds, up to `limit`.
    template <class Pred>
    static bool WaitFor(Pred pred, std::chrono::seconds limit = 2s) {
        const auto end = Clock::now() + limit;
        while (!pred()) {
            if (Clock::now() > end) return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    std::shared_ptr<FakeDevice::State> device = std::make_shared<FakeDevice::State>();
    bool bHoldBoxes = false;
    std::mutex m_mutex;
    std::vector<Box> m_boxes;
    std::vector<std::function<void()>> m_held;
};

TEST_F(ClickEngineTest, BlocksFlowOnlyWhileTheRunEventIsSet) {
    auto engine = Make();
    engine->SetLevel(-60);
    engine->Start();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(engine->Blocks(), 0u);
    EXPECT_FALSE(engine->IsRunEventSet());

    engine->SetRunEvent();
    EXPECT_TRUE(engine->IsRunEventSet());
    ASSERT_TRUE(WaitFor([&] { return engine->Blocks() >= 50; }));
    engine->ResetRunEvent();
    // At most the block in progress finishes.
    const uint32_t atReset = engine->Blocks();
    std::this_thread::sleep_for(30ms);
    EXPECT_LE(engine->Blocks(), atReset + 1);
    const uint32_t settled = engine->Blocks();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(engine->Blocks(), settled);

    engine->SetRunEvent();  // and again
    ASSERT_TRUE(WaitFor([&] { return engine->Blocks() >= settled + 10; }));
    engine->Stop();
    EXPECT_EQ(device->nOverlaps, 0);
    EXPECT_EQ(device->nOpened, 1);
    EXPECT_EQ(device->format.nSamplesPerSec, 11025u);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ClickEngineTest, OneBlockIsOutAtATime) {
    device->bAutoDone = false;
    auto engine = Make();
    engine->Start();
    engine->SetRunEvent();
    // The first block goes out unwaited; the second is made and waits for it.
    ASSERT_TRUE(WaitFor([&] { return engine->Blocks() == 2; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(engine->Blocks(), 2u);
    EXPECT_EQ(engine->QueuedBlocks(), 1u);
    for (uint32_t played = 1; played <= 3; ++played) {
        {
            std::lock_guard<std::mutex> lock(device->mutex);
            device->bOut = false;
        }
        device->cv.notify_all();
        ASSERT_TRUE(WaitFor([&] { return engine->QueuedBlocks() == played + 1; }));
    }
    // Stopping while a block is out does not wait for it to play.
    const auto start = Clock::now();
    engine.reset();
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(device->nOverlaps, 0);
}

TEST_F(ClickEngineTest, ShareOfClickBlocksFollowsTheLevel) {
    // Probability of a click: none at -90, 14564 / 32768 at -60, 29324 /
    // 32768 at -30. 4000 blocks put four standard deviations within 0.032.
    struct Case {
        int level;
        double share;
    } cases[] = {{-90, 0.0}, {-60, 0.444}, {-30, 0.895}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        auto engine = Make(KernelFile(), 7);
        engine->SetLevel(c.level);
        engine->Start();
        engine->SetRunEvent();
        // Slow under the thread sanitizer.
        ASSERT_TRUE(WaitFor([&] { return engine->Blocks() >= 4000; }, 120s));
        engine->Stop();
        const double share =
            static_cast<double>(engine->ClickBlocks()) / static_cast<double>(engine->Blocks());
        EXPECT_NEAR(share, c.share, 0.032);
        if (c.level == -90) {
            EXPECT_EQ(engine->ClickBlocks(), 0u);
        }
    }
}

TEST_F(ClickEngineTest, MissingKernelFileIsToldAndTheEngineStaysSilent) {
    CClickEngine::Setup setup;
    setup.strKernelPath = "/nonexistent-dir/windows/spike.wav";
    setup.pDevice = std::make_unique<FakeDevice>(device);
    setup.showMessage = [this](std::string_view caption, std::string_view text,
                               std::function<void()> dismissed) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_boxes.push_back({std::string(caption), std::string(text)});
        dismissed();
    };
    CClickEngine engine(std::move(setup));
    engine.Start();
    ASSERT_TRUE(WaitFor([&] { return Boxes().size() == 1; }));
    EXPECT_EQ(Boxes()[0].caption, "File I/O Error");
    EXPECT_EQ(Boxes()[0].text, "Unable to open geiger file");

    // The first block is refused; the next waits for a device that never
    // plays.
    engine.SetLevel(-30);
    engine.SetRunEvent();
    ASSERT_TRUE(WaitFor([&] { return engine.Blocks() == 2; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(engine.Blocks(), 2u);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].caption, "WaveOut Error");
    EXPECT_EQ(device->nOpened, 0);
    EXPECT_EQ(device->nQueued, 0);
    const auto start = Clock::now();
    engine.Stop();
    EXPECT_LT(Clock::now() - start, 1s);
}

TEST_F(ClickEngineTest, FormatTheDeviceRefusesOrNoDeviceAtAll) {
    for (const bool bDevice : {true, false}) {
        SCOPED_TRACE(bDevice);
        m_boxes.clear();
        auto engine = Make(KernelFile(138, 3), 1, bDevice);  // not integer PCM
        engine->Start();
        engine->SetRunEvent();
        ASSERT_TRUE(WaitFor([&] { return Boxes().size() == 1; }));
        EXPECT_EQ(Boxes()[0].caption, "WaveOut Error");
        EXPECT_EQ(engine->QueuedBlocks(), 0u);
    }
}

TEST_F(ClickEngineTest, RefusedBlockIsToldAndTheLoopGoesOn) {
    device->nFailAt = 3;
    auto engine = Make();
    engine->Start();
    engine->SetRunEvent();
    ASSERT_TRUE(WaitFor([&] { return engine->QueuedBlocks() >= 10; }));
    engine->Stop();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, "WaveOut Error");
    EXPECT_EQ(Boxes()[0].text, "refused");
}

TEST_F(ClickEngineTest, BoxHoldsTheThreadUntilDismissedAndStopAbandonsIt) {
    bHoldBoxes = true;
    device->nFailAt = 1;
    auto engine = Make();
    engine->Start();
    engine->SetRunEvent();
    ASSERT_TRUE(WaitFor([&] { return Boxes().size() == 1; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(engine->Blocks(), 1u);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held.back()();
    }
    ASSERT_TRUE(WaitFor([&] { return engine->Blocks() >= 5; }));

    // A second refusal, never dismissed: stopping the engine does not hang,
    // and dismissing the box afterwards is harmless.
    {
        std::lock_guard<std::mutex> lock(device->mutex);
        device->nCalls = 0;
        device->nFailAt = 1;
    }
    ASSERT_TRUE(WaitFor([&] { return Boxes().size() == 2; }));
    const auto start = Clock::now();
    engine.reset();
    EXPECT_LT(Clock::now() - start, 1s);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held.back()();
}

TEST_F(ClickEngineTest, NullSinkTakesBlocksAtThePaceTheyPlay) {
    CAudioOutput output;
    output.Open(true);
    CClickEngine::Setup setup;
    setup.kernelFile = KernelFile();
    setup.pDevice = std::make_unique<CAudioClickDevice>(output);
    CClickEngine engine(std::move(setup));
    engine.Start();
    const auto start = Clock::now();
    engine.SetRunEvent();
    std::this_thread::sleep_for(300ms);
    engine.ResetRunEvent();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    // 256 samples at 11025 Hz play for 23.2 ms: the engine never runs ahead.
    EXPECT_LE(engine.Blocks(), ms / 23.2 + 3);
    EXPECT_GE(engine.Blocks(), 2u);
    engine.Stop();
}

}  // namespace
