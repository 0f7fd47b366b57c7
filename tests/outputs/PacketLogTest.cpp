// Recording: the records written, exactly once under load, the bounded queue,
// and the record / stop / marker commands.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "board/BoardPort.h"
#include "board/BoardReaderThread.h"
#include "board/Framing.h"
#include "board/LogReader.h"
#include "board/MemoryPort.h"
#include "data/SurveyData.h"
#include "outputs/PacketLog.h"
#include "outputs/Recorder.h"
#include "platform/Clock.h"
#include "tests/support/TempFolder.h"
#include "ui/UiLoop.h"
#include "ui/Wnd.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Recorded {
    uint8_t type;
    Bytes payload;
    std::string marker;
};

std::vector<Recorded> ReadLog(const std::string& path, int* problems = nullptr) {
    CLogReader reader;
    std::string error;
    std::vector<Recorded> out;
    if (reader.Open(path, error) < 0) return out;
    int damage = 0;
    for (CLogReader::Item item; (item = reader.Next()) != CLogReader::Item::End;) {
        if (item == CLogReader::Item::Problem) {
            ++damage;
            continue;
        }
        const LogRecord& r = reader.Record();
        out.push_back({r.nType, Bytes(r.pPayload, r.pPayload + r.nLength), std::string(r.marker)});
    }
    if (problems != nullptr) *problems = damage;
    return out;
}

// A good packet: data plus its check byte.
Bytes Good(uint8_t type, Bytes data) {
    data.push_back(CheckByte(type, data.data(), data.size()));
    return data;
}

void SetClock2007() {
    std::tm tm{};
    tm.tm_year = 107;
    tm.tm_mon = 2;
    tm.tm_mday = 5;
    tm.tm_hour = 13;
    tm.tm_min = 4;
    tm.tm_sec = 30;
    CClock::SetLocal(tm);
}

struct Messages {
    std::vector<std::string> shown;
    CPacketLog::MessageFn Fn() {
        return [this](std::string_view text) { shown.emplace_back(text); };
    }
};

}  // namespace

TEST(PacketLog, WritesTheStagedPacketAsOneRecord) {
    CTempFolder dir;
    SetClock2007();
    CPacketLog log(dir.Path("a.ov"));
    ASSERT_EQ(log.Open(), 0);
    const Bytes payload = Good(5, {0x01, 0x02});
    log.StagePacket(5, payload.data(), 3);
    EXPECT_EQ(log.WriteRecord(), 1);
    const Bytes file = ReadFile(dir.Path("a.ov"));
    ASSERT_EQ(file.size(), 14u + 17u);
    const Bytes record(file.begin() + 14, file.end());
    EXPECT_EQ(record, (Bytes{'X', 'X', 'X', 5, 3, 7, 13, 4, 30, 0, 0, 4, 0, 5, 1, 2, payload[2]}));
    EXPECT_EQ(log.WriteRecord(), 0);  // a second message finds nothing to write
    EXPECT_EQ(ReadFile(dir.Path("a.ov")).size(), 31u);
    CClock::Reset();
}

TEST(PacketLog, MarkerGoesOnTheNextRecordOnlyAndTheLastOneWins) {
    CTempFolder dir;
    CSurveyData store;
    Messages messages;
    CRecorder::Setup setup;
    setup.pData = &store;
    setup.beep = [] {};
    setup.chooseFile = [&](const std::string&) { return dir.Path("m.ov"); };
    setup.showMessage = messages.Fn();
    CRecorder recorder(setup);
    recorder.OnRecordData();
    ASSERT_NE(recorder.GetActive(), nullptr);
    recorder.SetMarker(1);
    recorder.SetMarker(2);
    const Bytes p = Good(4, {6});
    recorder.GetActive()->StagePacket(4, p.data(), 2);
    recorder.GetActive()->StagePacket(4, p.data(), 2);
    recorder.OnLogPacket();
    const std::vector<Recorded> records = ReadLog(dir.Path("m.ov"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].marker, "Marker #2");
    EXPECT_EQ(records[1].marker, "");
    const Bytes file = ReadFile(dir.Path("m.ov"));
    EXPECT_EQ(file[14 + 9], 9);  // M = 9
}

TEST(PacketLog, LargePayloadsAreKeptWholeUpToTheFileLimit) {
    CTempFolder dir;
    Messages messages;
    CPacketLog log(dir.Path("big.ov"), messages.Fn());
    ASSERT_EQ(log.Open(), 0);
    const Bytes big(CLogFormat::kMaxPayload, 0x42);
    const Bytes tooBig(CLogFormat::kMaxPayload + 1, 0x42);
    const Bytes mid = Good(14, Bytes(5000, 9));
    log.StagePacket(6, big.data(), static_cast<uint32_t>(big.size()));
    log.StagePacket(6, tooBig.data(), static_cast<uint32_t>(tooBig.size()));
    log.StagePacket(14, mid.data(), static_cast<uint32_t>(mid.size()));
    log.WriteRecord();
    const auto records = ReadLog(dir.Path("big.ov"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].payload, big);
    EXPECT_EQ(records[1].payload, mid);
    EXPECT_EQ(log.DroppedPackets(), 1u);
}

TEST(PacketLog, AFullQueueDropsAndCountsAndThenRecovers) {
    CTempFolder dir;
    CPacketLog log(dir.Path("full.ov"));
    ASSERT_EQ(log.Open(), 0);
    const Bytes p = Good(14, Bytes(1000, 3));
    const uint32_t fits = static_cast<uint32_t>(CPacketLog::kQueueBytes / (p.size() + 5));
    for (uint32_t i = 0; i < fits + 10; ++i) log.StagePacket(14, p.data(), 1001);
    EXPECT_EQ(log.DroppedPackets(), 10u);
    EXPECT_EQ(log.WriteRecord(), static_cast<int>(fits));
    log.StagePacket(14, p.data(), 1001);
    EXPECT_EQ(log.WriteRecord(), 1);
    EXPECT_EQ(log.RecordsWritten(), fits + 1);
}

TEST(PacketLog, OpenFailureTellsThePersonWhy) {
    Messages messages;
    CPacketLog log("/nonexistent-folder/x.ov", messages.Fn());
    EXPECT_EQ(log.Open(), -1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0],
              "Could not open file (No such file or directory)\n/nonexistent-folder/x.ov");
    EXPECT_EQ(log.WriteRecord(), -1);
}

namespace {

// The main frame's queue as far as recording needs it: UM_LOG_PACKET posted
// from the reader thread, taken by the "GUI" thread.
class LogPoster : public IMessagePoster {
public:
    void PostMessage(unsigned message) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (message == UM_LOG_PACKET) ++m_nPending;
        m_cv.notify_one();
    }
    // Waits for at least one message; returns how many were taken.
    int Take(std::chrono::milliseconds wait) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait_for(lock, wait, [&] { return m_nPending > 0; });
        const int n = m_nPending;
        m_nPending = 0;
        return n;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_nPending = 0;
};

}  // namespace

TEST(PacketLogThreads, EveryGoodPacketOfABurstIsWrittenExactlyOnceInOrder) {
    CTempFolder dir;
    std::mt19937 random(11);
    std::vector<std::pair<uint8_t, Bytes>> expected;
    auto memory = std::make_unique<CMemoryPort>();
    CMemoryPort* port = memory.get();
    const uint8_t types[] = {5, 8, 13, 14, 19, 20, 32, 0x11};
    for (int i = 0; i < 4000; ++i) {
        const uint8_t type = types[random() % std::size(types)];
        // Mostly small, some well over a kilobyte.
        Bytes data(i % 50 == 0 ? 1500 + random() % 5000 : random() % 200);
        for (auto& b : data) b = static_cast<uint8_t>(random() % 4 == 0 ? 0x11 : random());
        data.insert(data.begin(), static_cast<uint8_t>(i));
        Bytes framed = FrameBoardPacket(type, data.data(), data.size());
        if (i % 97 == 5) {
            framed[framed.size() - 3] ^= 0x01;  // a line error: must not be recorded
            if (framed[framed.size() - 3] == 0x11 || framed[framed.size() - 4] == 0x11) continue;
        } else {
            expected.emplace_back(type, Good(type, data));
        }
        port->Feed(framed);
    }
    port->SetMaxRead(700);

    CSurveyData store;
    LogPoster poster;
    store.m_hNotifyWnd = &poster;
    CPacketLog log(dir.Path("burst.ov"));
    ASSERT_EQ(log.Open(), 0);
    {
        const auto lock = store.Lock();
        store.SetPacketStager(&log);
        store.m_bRecording = 1;
    }
    CBoardPort boardPort(std::move(memory));
    CPacketFramer framer;
    CBoardReader reader(boardPort, framer, store, nullptr);
    ASSERT_EQ(reader.Start(), 0);
    // The GUI thread writes on each batch of messages, now and then busy
    // with something else so that packets pile up between writes.
    uint64_t written = 0;
    for (int round = 0; round < 20000 && written < expected.size(); ++round) {
        if (poster.Take(std::chrono::milliseconds(20)) > 0 || round % 10 == 0) {
            const int n = log.WriteRecord();
            ASSERT_GE(n, 0);
            written += static_cast<uint64_t>(n);
        }
        if (round % 7 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    reader.Stop();
    log.Close();

    int problems = -1;
    const auto records = ReadLog(dir.Path("burst.ov"), &problems);
    EXPECT_EQ(problems, 0);
    EXPECT_EQ(log.DroppedPackets(), 0u);
    ASSERT_EQ(records.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(records[i].type, expected[i].first) << i;
        ASSERT_EQ(records[i].payload, expected[i].second) << i;
    }
}

namespace {

struct RecorderFixture : ::testing::Test {
    CTempFolder dir;
    CSurveyData store;
    Messages messages;
    int beeps = 0;
    std::string answer;
    int dialogs = 0;
    std::unique_ptr<CRecorder> recorder;

    void SetUp() override {
        CRecorder::Setup setup;
        setup.pData = &store;
        setup.strDataDir = dir.Folder();
        setup.beep = [this] { ++beeps; };
        setup.chooseFile = [this](const std::string& folder) {
            ++dialogs;
            EXPECT_EQ(folder, dir.Folder());
            // The refresh is off while the dialog is up.
            EXPECT_EQ(store.m_bRefreshEnabled, 0);
            return answer;
        };
        setup.showMessage = messages.Fn();
        recorder = std::make_unique<CRecorder>(setup);
    }
    void Stage(uint8_t value) {
        const Bytes p = Good(4, {value});
        store.DispatchPacket(4, p.data(), 2);
    }
};

}  // namespace

TEST_F(RecorderFixture, RecordStartsStagingAndStopEndsIt) {
    answer = dir.Path("one.ov");
    recorder->OnRecordData();
    EXPECT_EQ(store.m_bRecording, 1);
    EXPECT_EQ(store.m_strLogFile, answer);
    EXPECT_EQ(store.m_bRefreshEnabled, 1);
    Stage(1);
    Stage(2);
    recorder->OnLogPacket();
    recorder->OnStopRecording();
    EXPECT_EQ(store.m_bRecording, 0);
    EXPECT_EQ(recorder->GetActive(), nullptr);
    Stage(3);  // not recording any more
    EXPECT_EQ(ReadLog(answer).size(), 2u);
    EXPECT_EQ(beeps, 2);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RecorderFixture, CancelLeavesARunningRecordingAlone) {
    answer = dir.Path("one.ov");
    recorder->OnRecordData();
    CPacketLog* active = recorder->GetActive();
    answer.clear();
    recorder->OnRecordData();
    EXPECT_EQ(recorder->GetActive(), active);
    EXPECT_EQ(store.m_bRecording, 1);
    EXPECT_EQ(store.m_strLogFile, dir.Path("one.ov"));
    EXPECT_EQ(store.m_bRefreshEnabled, 1);

    recorder->OnStopRecording();
    recorder->OnRecordData();  // cancelled with nothing running
    EXPECT_EQ(recorder->GetActive(), nullptr);
    EXPECT_EQ(store.m_bRecording, 0);
}

TEST_F(RecorderFixture, RecordingAgainClosesTheOldFileWithEverythingStaged) {
    answer = dir.Path("one.ov");
    recorder->OnRecordData();
    Stage(1);
    Stage(2);  // staged, not yet written when the new file is chosen
    answer = dir.Path("two.ov");
    recorder->OnRecordData();
    Stage(3);
    recorder->OnLogPacket();
    EXPECT_EQ(ReadLog(dir.Path("one.ov")).size(), 2u);
    const auto second = ReadLog(dir.Path("two.ov"));
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].payload[0], 3);
    EXPECT_EQ(store.m_strLogFile, dir.Path("two.ov"));
}

TEST_F(RecorderFixture, AFileThatCannotBeOpenedStartsNothing) {
    answer = dir.Path("no/such/folder.ov");
    recorder->OnRecordData();
    EXPECT_EQ(recorder->GetActive(), nullptr);
    EXPECT_EQ(store.m_bRecording, 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].rfind("Could not open file (", 0), 0u);
    EXPECT_EQ(store.m_bRefreshEnabled, 1);
}

TEST_F(RecorderFixture, StopWithoutRecordingOnlyBeeps) {
    recorder->OnStopRecording();
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(messages.shown.empty());
    recorder->SetMarker(3);  // dropped: nothing records
    recorder->OnLogPacket();
}

TEST_F(RecorderFixture, DroppedPacketsAreToldWhenTheRecordingStops) {
    answer = dir.Path("drop.ov");
    recorder->OnRecordData();
    const Bytes p = Good(14, Bytes(4000, 1));
    for (int i = 0; i < 300; ++i) store.DispatchPacket(14, p.data(), 4001);
    const uint64_t dropped = recorder->GetActive()->DroppedPackets();
    EXPECT_GT(dropped, 0u);
    recorder->OnStopRecording();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], std::to_string(dropped) + " packets could not be recorded.");
    EXPECT_EQ(ReadLog(answer).size(), 300 - dropped);
}

TEST_F(RecorderFixture, ARecordingRunningAtTheEndKeepsEveryRecord) {
    answer = dir.Path("end.ov");
    recorder->OnRecordData();
    Stage(1);
    recorder->OnLogPacket();
    Stage(2);
    EXPECT_EQ(ReadLog(answer).size(), 1u);  // flushed already
    recorder.reset();
    EXPECT_EQ(ReadLog(answer).size(), 2u);
    EXPECT_EQ(store.m_bRecording, 0);
}

namespace {

// Runs `body` in a child process whose files cannot grow past `limit` bytes
// (the system refuses the write with EFBIG, as a full disk refuses it with
// ENOSPC). Returns the child's exit code and what it wrote to `out`.
std::pair<int, std::string> RunWithFileLimit(rlim_t limit,
                                             const std::function<int(int out)>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {-1, ""};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) ::_exit(100);
        ::_exit(body(pipeFds[1]));
    }
    ::close(pipeFds[1]);
    std::string text;
    char chunk[256];
    for (ssize_t n; (n = ::read(pipeFds[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return {-1, text};
    return {WEXITSTATUS(status), text};
}

}  // namespace

TEST_F(RecorderFixture, AFullDiskStopsTheRecordingAtItsLastWholeRecord) {
    // Each staged packet is a 115-byte record; the file takes ten and a half.
    const Bytes payload = Good(4, Bytes(100, 0x11));
    const size_t recordSize = 13 + payload.size() + 1;
    const size_t whole = 10;
    const rlim_t limit = 14 + whole * recordSize + recordSize / 2;
    struct Case {
        const char* name;
        bool stopWithQueued;  // the failure comes while Stop writes the queue
    };
    for (const Case c : {Case{"on UM_LOG_PACKET", false}, Case{"when stopped", true}}) {
        SCOPED_TRACE(c.name);
        answer = dir.Path(std::string("full-") + (c.stopWithQueued ? "stop" : "write") + ".ov");
        const auto [code, said] = RunWithFileLimit(limit, [&](int out) {
            recorder->OnRecordData();
            if (store.m_bRecording != 1) return 1;
            for (int i = 0; i < 15; ++i)
                store.DispatchPacket(4, payload.data(), static_cast<uint32_t>(payload.size()));
            if (c.stopWithQueued)
                recorder->OnStopRecording();
            else
                recorder->OnLogPacket();
            // Stopped at once: the store no longer stages, nothing is active.
            if (store.m_bRecording != 0 || recorder->GetActive() != nullptr) return 2;
            store.DispatchPacket(4, payload.data(), static_cast<uint32_t>(payload.size()));
            recorder->OnLogPacket();
            recorder->OnStopRecording();
            for (const std::string& text : messages.shown)
                (void)!::write(out, (text + "\n").data(), text.size() + 1);
            return 0;
        });
        EXPECT_EQ(code, 0);
        EXPECT_EQ(said, CRecorder::FailureMessage(answer, std::strerror(EFBIG)) + "\n");
        EXPECT_EQ(std::filesystem::file_size(answer), 14 + whole * recordSize);
        int problems = -1;
        EXPECT_EQ(ReadLog(answer, &problems).size(), whole);
        EXPECT_EQ(problems, 0);
    }
}

namespace {

// A host without a person: it answers the save-file dialog as told.
class AnsweringHost : public IHost {
public:
    void Attach(CUiLoop&) override {}
    void Present(const CCanvas&) override {}
    void PumpEvents(CUiLoop&, int) override {}
    void PlaySound(const char*, std::span<const std::uint8_t>) override {}
    void MessageBeep() override { ++beeps; }
    bool AnswerModal(const ModalRequest& request, ModalAnswer& out) override {
        requests.push_back(request);
        out = answer;
        return true;
    }
    std::uint64_t TickMs() const override { return 0; }

    ModalAnswer answer;
    std::vector<ModalRequest> requests;
    int beeps = 0;
};

}  // namespace

TEST(RecorderDialog, OffersTheDefaultNameAndAddsTheExtension) {
    CTempFolder dir;
    AnsweringHost host;
    CUiLoop loop(host);
    host.answer.nResult = IDOK;
    host.answer.bHasName = true;
    host.answer.name = "survey";
    EXPECT_EQ(CRecorder::ChooseLogFile(dir.Folder()), dir.Path("survey.ov"));
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].kind, ModalRequest::Kind::SaveFile);
    EXPECT_EQ(host.requests[0].proposedName, "ovlog.ov");

    host.answer.bHasName = false;
    EXPECT_EQ(CRecorder::ChooseLogFile(dir.Folder()), dir.Path("ovlog.ov"));
    host.answer.nResult = IDCANCEL;
    EXPECT_EQ(CRecorder::ChooseLogFile(dir.Folder()), "");

    // The whole command with the real dialog and the loop's beep.
    CSurveyData store;
    CRecorder::Setup setup;
    setup.pData = &store;
    setup.strDataDir = dir.Folder();
    CRecorder recorder(setup);
    host.answer.nResult = IDOK;
    recorder.OnRecordData();
    EXPECT_EQ(host.beeps, 1);
    ASSERT_NE(recorder.GetActive(), nullptr);
    EXPECT_EQ(recorder.GetActive()->GetPath(), dir.Path("ovlog.ov"));
    EXPECT_EQ(ReadFile(dir.Path("ovlog.ov")).size(), 14u);
}
