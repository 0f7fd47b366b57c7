#pragma once

#include <string>

#include <nlohmann/json.hpp>

class CSurveyData;

// The store as JSON: every data field under its member name, "drops" (refused
// packets by reason name), "stations" (the station table in list order) and
// "gps" (the GPS screen's texts). The caller
// holds the store lock. Texts are read up to their NUL or the end of their
// buffer; bytes above 0x7F are taken as Latin-1 so the result is valid UTF-8.
// The log file's path keeps its UTF-8 and only its stray bytes are taken as
// Latin-1.
nlohmann::json DumpState(const CSurveyData& data);

// Writes DumpState (indented, each array of numbers on one line, with a final
// line end) to `path`: 0, or -1 when the file cannot be written.
int WriteState(const CSurveyData& data, const std::string& path);
// The same layout for a dump the caller extended (the headless program adds
// the click engine's state).
int WriteStateJson(const nlohmann::json& state, const std::string& path);
