#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The log tool `orvalis-log`: inspection, checking, replay and export of
// packet log files. Every command reads the file front to back in bounded
// memory and never stops at damage: what can be read is used, the damage is
// reported, and the exit code says so.
inline constexpr int kExitOk = 0;
inline constexpr int kExitDamaged = 1;
// Bad usage, or a file that cannot be opened or written.
inline constexpr int kExitUsage = 2;

// "1 fault", "2 faults", "0 faults": a count with its noun in the right number.
std::string Counted(uint64_t n, const char* singular, const char* plural);

// Runs one command line (argv[0] is the program); output and messages go to
// `out` and `err`. Returns the exit code.
int RunLogTool(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

// The commands, with their arguments after the command word(s).
int RunInfo(const std::string& path, std::FILE* out, std::FILE* err);
int RunDump(const std::string& path, std::FILE* out, std::FILE* err);
int RunVerify(const std::string& path, std::FILE* out, std::FILE* err);
int RunExportPcap(const std::string& path, const std::string& outPath, std::FILE* out,
                  std::FILE* err);
int RunExportWigle(const std::string& path, const std::string& outPath, std::FILE* out,
                   std::FILE* err);
int RunExportKml(const std::string& path, const std::string& outPath, std::FILE* out,
                 std::FILE* err);
// `report` and `heatmap` with their options (argv[1] is the command word).
int RunReportCommand(int argc, const char* const* argv, std::FILE* out, std::FILE* err);
// Survey reports (LogReport.cpp, GeoJson.cpp, HeatMap.cpp). An empty
// outPath for GeoJSON writes to `out`.
int RunReport(const std::string& path, const std::string& format, std::FILE* out, std::FILE* err);
int RunExportGeoJson(const std::string& path, const std::string& outPath, std::FILE* out,
                     std::FILE* err);
int RunHeatMap(const std::string& path, const std::string& outPath, const std::string& mac,
               double cellM, std::FILE* out, std::FILE* err);
// Runs `orvalis --replay FILE --speed X`; with printOnly (or when the program
// cannot be found) prints that command line instead.
int RunReplay(const std::string& path, double speed, bool printOnly, const char* argv0,
              std::FILE* out, std::FILE* err);
