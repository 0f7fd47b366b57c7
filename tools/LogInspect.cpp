// info, dump and verify.

#include <algorithm>
#include <array>
#include <cinttypes>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "board/LogReader.h"
#include "board/Wire.h"
#include "data/SurveyData.h"
#include "tools/LogSurvey.h"
#include "tools/LogTool.h"
#include "tools/SurveyReport.h"

namespace {

int OpenLog(CLogReader& reader, const std::string& path, std::FILE* err) {
    std::string error;
    if (reader.Open(path, error) < 0) {
        std::fprintf(err, "orvalis-log: cannot open %s: %s\n", path.c_str(), error.c_str());
        return -1;
    }
    return 0;
}

void PutHex(std::string& out, const uint8_t* bytes, uint32_t length) {
    static constexpr char kHex[] = "0123456789abcdef";
    const size_t at = out.size();
    out.resize(at + 2 * size_t{length});
    char* p = out.data() + at;
    for (uint32_t i = 0; i < length; ++i) {
        *p++ = kHex[bytes[i] >> 4];
        *p++ = kHex[bytes[i] & 15];
    }
}

std::string Printable(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(b >= 0x20 && b < 0x7F ? c : '?');
    }
    return out;
}

std::string Duration(int64_t seconds) {
    char text[48];
    std::snprintf(text, sizeof(text), "%" PRId64 ":%02d:%02d", seconds / 3600,
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

}  // namespace

int RunInfo(const std::string& path, std::FILE* out, std::FILE* err) {
    CLogReader reader;
    if (OpenLog(reader, path, err) < 0) return kExitUsage;

    struct TypeCount {
        uint64_t records = 0;
        uint64_t bytes = 0;
    };
    std::array<TypeCount, 256> types{};
    struct Marker {
        std::string text;
        LogTime time;
        uint64_t offset;
    };
    std::vector<Marker> markers;
    uint64_t markerCount = 0;
    std::vector<LogProblem> problems;
    uint64_t problemCount = 0;
    uint64_t records = 0, payloadBytes = 0, recordBytes = 0, badChecks = 0, badTimes = 0;
    bool haveTime = false;
    LogTime first, last;
    int64_t earliest = 0, latest = 0;

    // The log runs through a store of its own, as the program would take it,
    // so that the packets the program refuses are counted by reason.
    CLogSurvey survey;
    survey.Run(
        reader,
        [&](const SurveyStep& step) {
            const LogRecord& r = *step.pRecord;
            ++records;
            recordBytes += r.nSize;
            payloadBytes += r.nLength;
            types[r.nType].records++;
            types[r.nType].bytes += r.nLength;
            if (!r.bCheckGood) ++badChecks;
            if (!r.marker.empty()) {
                if (markers.size() < 100) {
                    markers.push_back({std::string(r.marker), r.time, r.nOffset});
                }
                ++markerCount;
            }
            if (!r.bTimeValid) {
                ++badTimes;
            } else {
                const int64_t s = r.time.CalendarSeconds();
                if (!haveTime) {
                    haveTime = true;
                    first = r.time;
                    earliest = latest = s;
                }
                last = r.time;
                // The device's clock may have been set back during the recording.
                earliest = std::min(earliest, s);
                latest = std::max(latest, s);
            }
        },
        [&](const LogProblem& problem) {
            if (problems.size() < 20) problems.push_back(problem);
            ++problemCount;
        });
    std::array<uint32_t, kDropReasonCount> drops{};
    {
        const auto lock = survey.Store().Lock();
        drops = survey.Store().m_anDrops;
    }

    std::fprintf(out, "file:          %s\n", path.c_str());
    std::fprintf(out, "size:          %s\n", Counted(reader.FileSize(), "byte", "bytes").c_str());
    std::fprintf(out, "header:        \"%s\" (%s)\n", Printable(reader.HeaderBytes()).c_str(),
                 reader.HeaderGood() ? "version 4.00" : "not a log header");
    std::fprintf(out, "records:       %" PRIu64 "\n", records);
    if (haveTime) {
        std::fprintf(out, "first record:  %s\n", first.Format().c_str());
        std::fprintf(out, "last record:   %s\n", last.Format().c_str());
        std::fprintf(out, "time span:     %s\n", Duration(latest - earliest).c_str());
    }
    std::fprintf(out, "record bytes:  %" PRIu64 "\n", recordBytes);
    std::fprintf(out, "payload bytes: %" PRIu64 "\n", payloadBytes);
    std::fprintf(out, "packet types:\n");
    for (int t = 0; t < 256; ++t) {
        if (types[t].records == 0) continue;
        std::fprintf(out, "  %3d %-33s %10" PRIu64 " %-7s %12" PRIu64 " %s\n", t,
                     PacketType::Name(static_cast<uint8_t>(t)), types[t].records,
                     types[t].records == 1 ? "record" : "records", types[t].bytes,
                     types[t].bytes == 1 ? "byte" : "bytes");
    }
    std::fprintf(out, "markers:       %" PRIu64 "\n", markerCount);
    for (const Marker& m : markers) {
        std::fprintf(out, "  %-16s %s  offset %" PRIu64 "\n", Printable(m.text).c_str(),
                     m.time.Format().c_str(), m.offset);
    }
    if (markerCount > markers.size()) std::fprintf(out, "  ...\n");
    uint64_t dropCount = 0;
    for (const uint32_t n : drops) dropCount += n;
    std::fprintf(out, "drops:         %" PRIu64 "\n", dropCount);
    for (size_t i = 0; i < kDropReasonCount; ++i) {
        if (drops[i] == 0) continue;
        const std::string name(kDropReasonNames[i]);
        std::fprintf(out, "  %-31s %10" PRIu32 "\n", name.c_str(), drops[i]);
    }

    const bool damaged = problemCount != 0 || badChecks != 0 || badTimes != 0;
    if (damaged) {
        std::fprintf(out, "damage:\n");
        for (const LogProblem& p : problems) std::fprintf(out, "  %s\n", p.Describe().c_str());
        if (problemCount > problems.size()) std::fprintf(out, "  ...\n");
        if (badChecks != 0) {
            std::fprintf(out, "  %s with a bad check byte\n",
                         Counted(badChecks, "record", "records").c_str());
        }
        if (badTimes != 0) {
            std::fprintf(out, "  %s with an impossible time\n",
                         Counted(badTimes, "record", "records").c_str());
        }
    }
    return damaged ? kExitDamaged : kExitOk;
}

int RunDump(const std::string& path, std::FILE* out, std::FILE* err) {
    CLogReader reader;
    if (OpenLog(reader, path, err) < 0) return kExitUsage;
    bool damaged = false;
    std::string line;
    for (CLogReader::Item item; (item = reader.Next()) != CLogReader::Item::End;) {
        line.clear();
        if (item == CLogReader::Item::Problem) {
            const LogProblem& p = reader.Problem();
            damaged = true;
            line = "{\"offset\":" + std::to_string(p.nOffset) + ",\"damage\":\"" +
                   LogProblem::KindName(p.kind) + "\",\"bytes\":" + std::to_string(p.nBytes) +
                   "}\n";
            std::fputs(line.c_str(), out);
            continue;
        }
        const LogRecord& r = reader.Record();
        if (!r.bCheckGood || !r.bTimeValid) damaged = true;
        line = "{\"offset\":" + std::to_string(r.nOffset) + ",\"time\":\"" + r.time.Format() + "\"";
        if (!r.bTimeValid) line += ",\"time_valid\":false";
        line += ",\"marker\":";
        if (r.marker.empty()) {
            line += "null";
        } else {
            AppendJsonString(line, r.marker);
        }
        line += ",\"type\":" + std::to_string(r.nType) +
                ",\"length\":" + std::to_string(r.nLength) + ",\"payload\":\"";
        PutHex(line, r.pPayload, r.nLength);
        line += r.bCheckGood ? "\",\"check\":\"good\"}\n" : "\",\"check\":\"bad\"}\n";
        std::fwrite(line.data(), 1, line.size(), out);
    }
    return damaged ? kExitDamaged : kExitOk;
}

int RunVerify(const std::string& path, std::FILE* out, std::FILE* err) {
    CLogReader reader;
    if (OpenLog(reader, path, err) < 0) return kExitUsage;
    uint64_t records = 0, faults = 0, bytes = 0;
    // A file wrecked throughout would print a line per record; the count
    // still covers everything.
    constexpr uint64_t kMaxLines = 1000;
    auto fault = [&](const std::string& text) {
        if (faults++ < kMaxLines) std::fprintf(out, "%s\n", text.c_str());
    };
    for (CLogReader::Item item; (item = reader.Next()) != CLogReader::Item::End;) {
        if (item == CLogReader::Item::Problem) {
            fault(reader.Problem().Describe());
            continue;
        }
        const LogRecord& r = reader.Record();
        ++records;
        bytes += r.nSize;
        char text[128];
        if (!r.bCheckGood) {
            std::snprintf(text, sizeof(text),
                          "bad check byte in record at offset %" PRIu64
                          " (type %d, %u payload bytes)",
                          r.nOffset, r.nType, r.nLength);
            fault(text);
        }
        if (!r.bTimeValid) {
            std::snprintf(text, sizeof(text), "impossible time %s in record at offset %" PRIu64,
                          r.time.Format().c_str(), r.nOffset);
            fault(text);
        }
    }
    if (faults > kMaxLines) std::fprintf(out, "... %" PRIu64 " more\n", faults - kMaxLines);
    if (faults == 0) {
        std::fprintf(out, "%s: OK, %s, %s\n", path.c_str(),
                     Counted(records, "record", "records").c_str(),
                     Counted(reader.FileSize(), "byte", "bytes").c_str());
        return kExitOk;
    }
    std::fprintf(out, "%s: DAMAGED, %s; %s (%s) readable of %s\n", path.c_str(),
                 Counted(faults, "fault", "faults").c_str(),
                 Counted(records, "record", "records").c_str(),
                 Counted(bytes, "byte", "bytes").c_str(),
                 Counted(reader.FileSize(), "byte", "bytes").c_str());
    return kExitDamaged;
}
