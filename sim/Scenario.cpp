#include "sim/Scenario.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/InputFile.h"
#include "sim/JsonLineMap.h"

namespace {

using Json = nlohmann::json;

constexpr std::string_view kDefaultScenario =
#include "sim/DefaultScenario.inc"
    ;

constexpr size_t kMaxStations = 2000;
constexpr size_t kMaxWaypoints = 100000;
constexpr size_t kMaxFileBytes = 16u << 20;

// A problem found in a well-formed file: where (a JSON pointer) and what.
struct Fault {
    std::string pointer;
    std::string problem;
};

// "/access_points/2/channel" as "access_points[2].channel".
std::string Readable(const std::string& pointer) {
    std::string out;
    size_t pos = 1;
    while (pos <= pointer.size() && !pointer.empty()) {
        size_t next = pointer.find('/', pos);
        if (next == std::string::npos) next = pointer.size();
        std::string token = pointer.substr(pos, next - pos);
        const bool index =
            !token.empty() && token.find_first_not_of("0123456789") == std::string::npos;
        if (index)
            out += "[" + token + "]";
        else
            out += (out.empty() ? "" : ".") + token;
        pos = next + 1;
    }
    return out;
}

std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Checks the members of one JSON object and reads them with their limits.
class ObjectReader {
public:
    ObjectReader(const Json& object, std::string pointer, std::initializer_list<const char*> known)
        : m_object(object), m_pointer(std::move(pointer)) {
        if (!m_object.is_object()) throw Fault{m_pointer, "expected an object"};
        std::set<std::string> names;
        for (const char* name : known) names.insert(name);
        for (auto it = m_object.begin(); it != m_object.end(); ++it) {
            if (names.count(it.key()) == 0)
                throw Fault{Member(it.key()), "unknown key \"" + it.key() + "\""};
        }
    }

    std::string Member(const std::string& key) const { return m_pointer + "/" + key; }
    bool Has(const char* key) const { return m_object.contains(key) && !m_object[key].is_null(); }
    const Json& At(const char* key) const { return m_object[key]; }

    double Real(const char* key, double fallback, double low, double high) const {
        if (!Has(key)) return fallback;
        const Json& value = m_object[key];
        if (!value.is_number()) throw Fault{Member(key), "expected a number"};
        const double v = value.get<double>();
        if (!std::isfinite(v) || v < low || v > high)
            throw Fault{Member(key),
                        Number(v) + " is outside " + Number(low) + ".." + Number(high)};
        return v;
    }

    int Integer(const char* key, int fallback, int low, int high) const {
        if (!Has(key)) return fallback;
        const Json& value = m_object[key];
        if (!value.is_number_integer()) throw Fault{Member(key), "expected a whole number"};
        const int64_t v = value.get<int64_t>();
        if (v < low || v > high)
            throw Fault{Member(key), std::to_string(v) + " is outside " + std::to_string(low) +
                                         ".." + std::to_string(high)};
        return static_cast<int>(v);
    }

    bool Flag(const char* key, bool fallback) const {
        if (!Has(key)) return fallback;
        if (!m_object[key].is_boolean()) throw Fault{Member(key), "expected true or false"};
        return m_object[key].get<bool>();
    }

    std::string Text(const char* key, const std::string& fallback, size_t maxLength,
                     bool required = false) const {
        if (!Has(key)) {
            if (required) throw Fault{m_pointer, std::string("missing \"") + key + "\""};
            return fallback;
        }
        if (!m_object[key].is_string()) throw Fault{Member(key), "expected a text"};
        std::string v = m_object[key].get<std::string>();
        if (v.size() > maxLength)
            throw Fault{Member(key), "longer than " + std::to_string(maxLength) + " bytes"};
        return v;
    }

    std::array<uint8_t, 6> Mac(const char* key) const {
        const std::string text = Text(key, "", 17, true);
        std::array<uint8_t, 6> mac{};
        if (!ParseMac(text, mac))
            throw Fault{Member(key),
                        "\"" + text + "\" is not a MAC address like 00:0C:41:7E:02:9A"};
        return mac;
    }

    // Two numbers: metres east and north.
    std::array<double, 2> Position(const char* key, const std::string& pointer) const {
        if (!Has(key)) return {0.0, 0.0};
        return Pair(m_object[key], pointer);
    }

    static std::array<double, 2> Pair(const Json& value, const std::string& pointer) {
        if (!value.is_array() || value.size() != 2 || !value[0].is_number() ||
            !value[1].is_number())
            throw Fault{pointer, "expected [east, north] in metres"};
        const double x = value[0].get<double>();
        const double y = value[1].get<double>();
        if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e6 || std::fabs(y) > 1e6)
            throw Fault{pointer, "position further than 1000 km from the origin"};
        return {x, y};
    }

    static bool ParseMac(const std::string& text, std::array<uint8_t, 6>& mac) {
        if (text.size() != 17) return false;
        for (size_t i = 0; i < 6; ++i) {
            unsigned value = 0;
            for (size_t k = 0; k < 2; ++k) {
                const char c = text[i * 3 + k];
                int digit = -1;
                if (c >= '0' && c <= '9') digit = c - '0';
                if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
                if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
                if (digit < 0) return false;
                value = value * 16 + static_cast<unsigned>(digit);
            }
            if (i < 5 && text[i * 3 + 2] != ':' && text[i * 3 + 2] != '-') return false;
            mac[i] = static_cast<uint8_t>(value);
        }
        return true;
    }

private:
    const Json& m_object;
    std::string m_pointer;
};

double RateOf(const ObjectReader& reader, const char* key, double fallback) {
    const double rate = reader.Real(key, fallback, 0.0, 1000.0);
    if (rate != 1.0 && rate != 2.0 && rate != 5.5 && rate != 11.0)
        throw Fault{reader.Member(key), Number(rate) + " is not an 802.11b rate (1, 2, 5.5, 11)"};
    return rate;
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool ParseUtc(const std::string& text, int64_t& seconds) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day, &hour, &minute,
                    &second, &tail) != 7 ||
        tail != 'Z')
        return false;
    if (year < 1980 || year > 2100 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 59 || hour < 0 || minute < 0 || second < 0)
        return false;
    seconds =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
        hour * 3600 + minute * 60 + second;
    return true;
}

void ReadScenario(const Json& root, CScenario& s) {
    ObjectReader top(root, "",
                     {"name", "board", "origin", "start_time", "radio", "interference",
                      "access_points", "clients", "track", "battery_low_after_s"});
    s.m_strName = top.Text("name", s.m_strName, 200);

    if (top.Has("board")) {
        ObjectReader board(top.At("board"), "/board", {"firmware", "serial"});
        // The program keeps the firmware text in 39 bytes and the serial
        // number in 32, each with its terminator.
        s.m_strFirmware = board.Text("firmware", s.m_strFirmware, 38);
        s.m_strSerial = board.Text("serial", s.m_strSerial, 31);
        if (s.m_strFirmware.size() < 3)
            throw Fault{"/board/firmware",
                        "too short: the version number starts at its third character"};
    }

    if (top.Has("origin")) {
        ObjectReader origin(top.At("origin"), "/origin", {"lat", "lon", "height_m"});
        s.m_dOriginLat = origin.Real("lat", 0.0, -85.0, 85.0);
        s.m_dOriginLon = origin.Real("lon", 0.0, -180.0, 180.0);
        s.m_dOriginHeightM = origin.Real("height_m", 0.0, -500.0, 9000.0);
    }

    if (top.Has("start_time")) {
        const std::string text = top.Text("start_time", "", 40);
        if (!ParseUtc(text, s.m_nStartTime))
            throw Fault{"/start_time",
                        "\"" + text + "\" is not a UTC time like 2026-05-14T09:30:00Z"};
    }

    if (top.Has("radio")) {
        ObjectReader radio(top.At("radio"), "/radio",
                           {"noise_floor_dbm", "reference_loss_db", "path_loss_exponent",
                            "shadowing_db", "rician_k", "hop_channels", "dwell_ms"});
        s.m_dNoiseFloorDbm = radio.Real("noise_floor_dbm", s.m_dNoiseFloorDbm, -110.0, -60.0);
        s.m_dReferenceLossDb = radio.Real("reference_loss_db", s.m_dReferenceLossDb, 0.0, 100.0);
        s.m_dPathLossExponent = radio.Real("path_loss_exponent", s.m_dPathLossExponent, 1.0, 6.0);
        s.m_dShadowingDb = radio.Real("shadowing_db", s.m_dShadowingDb, 0.0, 20.0);
        s.m_dRicianK = radio.Real("rician_k", s.m_dRicianK, 0.0, 100.0);
        s.m_nDwellMs = radio.Integer("dwell_ms", s.m_nDwellMs, 50, 10000);
        if (radio.Has("hop_channels")) {
            const Json& list = radio.At("hop_channels");
            const std::string pointer = "/radio/hop_channels";
            if (!list.is_array() || list.empty())
                throw Fault{pointer, "expected a list of channels"};
            s.m_anHopChannels.clear();
            for (size_t i = 0; i < list.size(); ++i) {
                const std::string at = pointer + "/" + std::to_string(i);
                if (!list[i].is_number_integer()) throw Fault{at, "expected a channel number"};
                const int64_t channel = list[i].get<int64_t>();
                if (channel < 1 || channel > 14)
                    throw Fault{at, std::to_string(channel) + " is not a channel (1..14)"};
                s.m_anHopChannels.push_back(static_cast<int>(channel));
            }
        }
    }

    if (top.Has("interference")) {
        const Json& list = top.At("interference");
        if (!list.is_array()) throw Fault{"/interference", "expected a list"};
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string pointer = "/interference/" + std::to_string(i);
            ObjectReader item(list[i], pointer,
                              {"name", "center_mhz", "width_mhz", "level_dbm", "duty"});
            CScenario::Interferer source;
            source.name = item.Text("name", "", 100);
            source.centreMhz = item.Real("center_mhz", source.centreMhz, 2300.0, 2600.0);
            source.widthMhz = item.Real("width_mhz", source.widthMhz, 0.1, 100.0);
            source.levelDbm = item.Real("level_dbm", source.levelDbm, -120.0, -20.0);
            source.duty = item.Real("duty", source.duty, 0.0, 1.0);
            s.m_aInterferers.push_back(source);
        }
    }

    std::set<std::array<uint8_t, 6>> macs;
    if (top.Has("access_points")) {
        const Json& list = top.At("access_points");
        if (!list.is_array()) throw Fault{"/access_points", "expected a list"};
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string pointer = "/access_points/" + std::to_string(i);
            ObjectReader item(list[i], pointer,
                              {"mac", "ssid", "channel", "privacy", "tx_power_dbm", "position_m",
                               "delay_spread_ns", "rate_mbps", "beacon_interval_tu", "frames_per_s",
                               "activity", "authorized"});
            CScenario::AccessPoint ap;
            ap.mac = item.Mac("mac");
            if (!macs.insert(ap.mac).second)
                throw Fault{item.Member("mac"), "MAC address used twice"};
            ap.ssid = item.Text("ssid", "", 32);
            ap.channel = item.Integer("channel", ap.channel, 1, 14);
            ap.privacy = item.Flag("privacy", ap.privacy);
            ap.txPowerDbm = item.Real("tx_power_dbm", ap.txPowerDbm, -10.0, 30.0);
            const auto pos = item.Position("position_m", item.Member("position_m"));
            ap.x = pos[0];
            ap.y = pos[1];
            ap.delaySpreadNs = item.Real("delay_spread_ns", ap.delaySpreadNs, 0.0, 2000.0);
            ap.rateMbps = RateOf(item, "rate_mbps", ap.rateMbps);
            ap.beaconIntervalTu =
                item.Real("beacon_interval_tu", ap.beaconIntervalTu, 10.0, 2000.0);
            ap.framesPerSecond = item.Real("frames_per_s", ap.framesPerSecond, 0.0, 500.0);
            ap.activity = item.Real("activity", ap.activity, 0.0, 1.0);
            ap.authorized = item.Flag("authorized", ap.authorized);
            s.m_aAccessPoints.push_back(ap);
        }
    }

    if (top.Has("clients")) {
        const Json& list = top.At("clients");
        if (!list.is_array()) throw Fault{"/clients", "expected a list"};
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string pointer = "/clients/" + std::to_string(i);
            ObjectReader item(list[i], pointer,
                              {"mac", "ap", "tx_power_dbm", "position_m", "delay_spread_ns",
                               "rate_mbps", "frames_per_s"});
            CScenario::Client client;
            client.mac = item.Mac("mac");
            if (!macs.insert(client.mac).second)
                throw Fault{item.Member("mac"), "MAC address used twice"};
            const auto apMac = item.Mac("ap");
            bool found = false;
            for (size_t k = 0; k < s.m_aAccessPoints.size(); ++k) {
                if (s.m_aAccessPoints[k].mac == apMac) {
                    client.ap = k;
                    found = true;
                    break;
                }
            }
            if (!found) throw Fault{item.Member("ap"), "no access point has this MAC address"};
            client.txPowerDbm = item.Real("tx_power_dbm", client.txPowerDbm, -10.0, 30.0);
            const auto pos = item.Position("position_m", item.Member("position_m"));
            client.x = pos[0];
            client.y = pos[1];
            client.delaySpreadNs = item.Real("delay_spread_ns", client.delaySpreadNs, 0.0, 2000.0);
            client.rateMbps = RateOf(item, "rate_mbps", client.rateMbps);
            client.framesPerSecond = item.Real("frames_per_s", client.framesPerSecond, 0.0, 500.0);
            s.m_aClients.push_back(client);
        }
    }
    if (s.m_aAccessPoints.size() + s.m_aClients.size() > kMaxStations)
        throw Fault{"", "more than " + std::to_string(kMaxStations) + " stations"};

    if (top.Has("track")) {
        ObjectReader track(top.At("track"), "/track", {"speed_m_s", "loop", "waypoints_m"});
        s.m_dWalkSpeed = track.Real("speed_m_s", s.m_dWalkSpeed, 0.0, 100.0);
        s.m_bTrackLoops = track.Flag("loop", s.m_bTrackLoops);
        const std::string pointer = "/track/waypoints_m";
        if (!track.Has("waypoints_m")) throw Fault{"/track", "missing \"waypoints_m\""};
        const Json& list = track.At("waypoints_m");
        if (!list.is_array() || list.empty())
            throw Fault{pointer, "expected a list of [east, north] points"};
        if (list.size() > kMaxWaypoints) throw Fault{pointer, "too many points"};
        for (size_t i = 0; i < list.size(); ++i)
            s.m_aWaypoints.push_back(
                ObjectReader::Pair(list[i], pointer + "/" + std::to_string(i)));
        s.m_bHasTrack = true;
    }

    if (top.Has("battery_low_after_s"))
        s.m_dBatteryLowAfterS = top.Real("battery_low_after_s", -1.0, 0.0, 1e7);
}

}  // namespace

int CScenario::Parse(std::string_view text, std::string_view sourceName, CScenario& out,
                     std::string& error) {
    const std::string name(sourceName);
    // Checked before parsing: the parse and its report would otherwise grow
    // with the depth of whatever a file nests.
    const size_t tooDeep = CJsonLineMap::FindTooDeep(text, CJsonLineMap::kMaxDepth);
    if (tooDeep != std::string_view::npos) {
        error = name + ":" + std::to_string(CJsonLineMap::LineAt(text, tooDeep)) +
                ": nested deeper than " + std::to_string(CJsonLineMap::kMaxDepth) + " levels";
        return -1;
    }
    Json root;
    try {
        root = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& e) {
        // The library's text repeats its own position; keep only the problem.
        std::string problem = e.what();
        const size_t column = problem.find("column ");
        const size_t colon = column == std::string::npos ? column : problem.find(": ", column);
        if (colon != std::string::npos) problem = problem.substr(colon + 2);
        const size_t at = e.byte > 0 ? e.byte - 1 : 0;
        error = name + ":" + std::to_string(CJsonLineMap::LineAt(text, at)) + ": " + problem;
        return -1;
    } catch (const std::exception& e) {
        error = name + ":1: " + e.what();
        return -1;
    }

    CScenario scenario;
    scenario.m_anHopChannels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    try {
        ReadScenario(root, scenario);
    } catch (const Fault& fault) {
        const std::string where = Readable(fault.pointer);
        error = name + ":" + std::to_string(CJsonLineMap::LineOf(text, fault.pointer)) + ": " +
                (where.empty() ? "" : where + ": ") + fault.problem;
        return -1;
    } catch (const std::exception& e) {
        error = name + ":1: " + e.what();
        return -1;
    }
    out = std::move(scenario);
    return 0;
}

int CScenario::Load(const std::string& path, CScenario& out, std::string& error) {
    std::string reason;
    std::FILE* file = OpenInputFile(path, &reason);
    if (file == nullptr) {
        // A FIFO or a device would hold the start-up up: refused.
        error = path + ": cannot read the file" +
                (reason == "not a regular file" ? " (not a regular file)" : "");
        return -1;
    }
    std::string text;
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.size() <= kMaxFileBytes)
        text.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = path + ": cannot read the file";
        return -1;
    }
    if (text.size() > kMaxFileBytes) {
        error = path + ": larger than " + std::to_string(kMaxFileBytes >> 20) + " MB";
        return -1;
    }
    return Parse(text, path, out, error);
}

std::string_view CScenario::DefaultText() {
    return kDefaultScenario;
}

CScenario CScenario::Default() {
    CScenario scenario;
    std::string error;
    // The built-in text is tested to parse; the fallback only guards a build
    // in which it was broken.
    if (Parse(kDefaultScenario, "built-in scenario", scenario, error) != 0) {
        scenario = CScenario();
        scenario.m_anHopChannels = {1, 6, 11};
    }
    return scenario;
}

std::vector<std::string> CScenario::AuthorizedMacTexts() const {
    std::vector<std::string> texts;
    for (const AccessPoint& ap : m_aAccessPoints) {
        if (ap.authorized) texts.push_back(MacText(ap.mac));
    }
    return texts;
}

std::string CScenario::MacText(const std::array<uint8_t, 6>& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}
