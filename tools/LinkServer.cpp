#include "tools/LinkServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <map>
#include <string_view>

#include "platform/LinkSocket.h"
#include "tools/LinkServerHelp.h"

namespace {

constexpr size_t kHeaderSize = 3;
constexpr uint32_t kGpsWithCheck = CGpsStatus::kMessageSize + 1;
constexpr size_t kMaxPeers = 32;

std::atomic<bool> g_bSignalled{false};
extern "C" void OnSignal(int) {
    g_bSignalled.store(true);
}

bool IsTextByte(uint8_t c) {
    return c >= 0x20 && c != 0x7F;
}

// "X,serial,rssi,mac,ssid": the serial holds no comma, the RSSI is a signed
// whole number, the MAC field is at least 12 characters; the SSID is the rest.
bool ParseText(std::string_view text, LinkRecord& out) {
    for (char c : text) {
        if (!IsTextByte(static_cast<uint8_t>(c))) return false;
    }
    std::string_view field[4];
    std::string_view rest = text;
    for (auto& f : field) {
        const size_t comma = rest.find(',');
        if (comma == std::string_view::npos) return false;
        f = rest.substr(0, comma);
        rest.remove_prefix(comma + 1);
    }
    if (field[0] != "X" || field[3].size() < 12) return false;
    int rssi = 0;
    const auto [end, ec] =
        std::from_chars(field[2].data(), field[2].data() + field[2].size(), rssi);
    if (ec != std::errc() || end != field[2].data() + field[2].size() || field[2].empty())
        return false;
    std::string_view mac = field[3];
    while (!mac.empty() && mac.front() == ' ') mac.remove_prefix(1);
    out.strTag = std::string(field[0]);
    out.strSerial = std::string(field[1]);
    out.nRssi = rssi;
    out.strMac = std::string(mac);
    out.strSsid = std::string(rest);
    return true;
}

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

struct Peer {
    std::string strName;
    std::vector<uint8_t> buffer;
};

struct Options {
    int nPort = kDefaultLinkPort;
    std::string strBind;
    std::string strJson;
    long long nCount = -1;
};

bool ParseNumber(std::string_view text, long long lo, long long hi, long long& out) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi)
        return false;
    out = value;
    return true;
}

// 0, 1 for --help, -1 with the reason in `error`.
int ParseOptions(int argc, const char* const* argv, Options& out, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--help" || arg == "-h") return 1;
        std::string_view name = arg;
        std::string value;
        bool bHasValue = false;
        if (const size_t eq = arg.find('=');
            arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = std::string(arg.substr(eq + 1));
            bHasValue = true;
        }
        if (name != "--port" && name != "--bind" && name != "--json" && name != "--count") {
            error = "unknown option '" + std::string(arg) + "' (try --help)";
            return -1;
        }
        if (!bHasValue) {
            if (i + 1 >= argc || argv[i + 1] == nullptr) {
                error = "option '" + std::string(name) + "' needs a value";
                return -1;
            }
            value = argv[++i];
        }
        long long number = 0;
        if (name == "--port") {
            if (!ParseNumber(value, 0, 65535, number)) {
                error = "option '--port' needs a port from 0 to 65535, not '" + value + "'";
                return -1;
            }
            out.nPort = static_cast<int>(number);
        } else if (name == "--count") {
            if (!ParseNumber(value, 1, 1000000000000LL, number)) {
                error = "option '--count' needs a positive whole number, not '" + value + "'";
                return -1;
            }
            out.nCount = number;
        } else if (value.empty()) {
            error = "option '" + std::string(name) + "' needs a value";
            return -1;
        } else if (name == "--bind") {
            out.strBind = value;
        } else {
            out.strJson = value;
        }
    }
    return 0;
}

}  // namespace

int SplitLinkMessage(uint8_t type, const uint8_t* body, uint16_t length, LinkRecord& out) {
    out = LinkRecord{};
    out.nType = type;
    out.nLength = length;
    auto textAt = [&](uint32_t p) {
        if (p >= length) return false;
        return ParseText(std::string_view(reinterpret_cast<const char*>(body) + p, length - p),
                         out);
    };
    uint32_t payloadLength = length;
    if (textAt(kGpsWithCheck)) {
        payloadLength = kGpsWithCheck;
    } else {
        for (uint32_t p = 0; p + 1 < length; ++p) {
            if (body[p] == 'X' && body[p + 1] == ',' && textAt(p)) {
                payloadLength = p;
                break;
            }
        }
    }
    out.bHasText = payloadLength < length;
    out.payload.assign(body, body + payloadLength);
    out.bHasFix = out.gps.Decode(out.payload.data(), payloadLength) == 0;
    return out.bHasText ? 0 : -1;
}

std::string FormatLinkRecord(const std::string& peer, const LinkRecord& r) {
    std::string line =
        peer + " type=" + std::to_string(r.nType) + " length=" + std::to_string(r.nLength);
    if (r.bHasText) {
        line += " tag=" + r.strTag + " serial=" + Quoted(r.strSerial) +
                " rssi=" + std::to_string(r.nRssi) + " mac=" + Quoted(r.strMac) +
                " ssid=" + Quoted(r.strSsid);
    } else {
        line += " text=none";
    }
    if (r.bHasFix) {
        line += " fix=" + Quoted(r.gps.FormatFixStatus()) + " date=" + r.gps.FormatDate() +
                " time=" + r.gps.FormatTime() + " lat=" + Quoted(r.gps.FormatLatitude()) +
                " lon=" + Quoted(r.gps.FormatLongitude()) +
                " alt=" + Quoted(r.gps.FormatAltitude());
    } else {
        line += " fix=none";
    }
    return line;
}

nlohmann::json LinkRecordJson(const std::string& peer, const LinkRecord& r) {
    nlohmann::json j;
    j["peer"] = peer;
    j["type"] = r.nType;
    j["length"] = r.nLength;
    j["payload_length"] = r.payload.size();
    if (r.bHasText) {
        j["tag"] = r.strTag;
        j["serial"] = Latin1ToUtf8(r.strSerial);
        j["rssi"] = r.nRssi;
        j["mac"] = Latin1ToUtf8(r.strMac);
        j["ssid"] = Latin1ToUtf8(r.strSsid);
    } else {
        j["text"] = nullptr;
    }
    if (r.bHasFix) {
        const CGpsStatus& g = r.gps;
        j["gps"] = {{"fix_status", g.m_nFixStatus},
                    {"fix", g.FormatFixStatus()},
                    {"date", g.FormatDate()},
                    {"time", g.FormatTime()},
                    {"latitude", g.m_dLatitude2},
                    {"longitude", g.m_dLongitude2},
                    {"height_cm", g.m_dHeight1},
                    {"speed_cm_s", g.m_nSpeed3D},
                    {"heading", g.FormatHeading()},
                    {"satellites_visible", g.m_nVisibleSats},
                    {"satellites_tracked", g.m_nTrackedSats}};
    } else {
        j["gps"] = nullptr;
    }
    return j;
}

int RunLinkServer(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
                  const std::atomic<bool>* stop) {
    Options options;
    std::string error;
    const int parsed = ParseOptions(argc, argv, options, error);
    if (parsed == 1) {
        std::fputs(FormatHelp(LinkServerHelp()).c_str(), out);
        return kLinkServerOk;
    }
    if (parsed < 0) {
        std::fprintf(err, "orvalis-link-server: %s\n", error.c_str());
        return kLinkServerUsage;
    }

    std::FILE* json = nullptr;
    if (!options.strJson.empty()) {
        json = options.strJson == "-" ? out : std::fopen(options.strJson.c_str(), "w");
        if (json == nullptr) {
            std::fprintf(err, "orvalis-link-server: cannot write %s: %s\n", options.strJson.c_str(),
                         std::strerror(errno));
            return kLinkServerFailed;
        }
    }
    auto closeJson = [&] {
        const bool bOk = json == nullptr || json == out || std::fclose(json) == 0;
        json = nullptr;
        return bOk;
    };

    CLinkListener listener;
    if (listener.Listen(options.strBind, options.nPort, error) < 0) {
        std::fprintf(err, "orvalis-link-server: %s\n", error.c_str());
        closeJson();
        return kLinkServerFailed;
    }
    std::fprintf(
        err, "listening on %s\n",
        FormatLinkPeer({options.strBind.empty() ? "0.0.0.0" : options.strBind, listener.Port()})
            .c_str());
    std::fflush(err);

    g_bSignalled.store(false);
    const auto oldInt = std::signal(SIGINT, OnSignal);
    const auto oldTerm = std::signal(SIGTERM, OnSignal);
    const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);

    std::map<int, Peer> peers;
    long long received = 0;
    int rc = kLinkServerOk;
    auto emit = [&](const std::string& name, const LinkRecord& record) {
        if (json != nullptr) {
            std::fprintf(json, "%s\n", LinkRecordJson(name, record).dump().c_str());
            std::fflush(json);
            if (std::ferror(json)) return false;
        } else {
            std::fprintf(out, "%s\n", FormatLinkRecord(name, record).c_str());
            std::fflush(out);
        }
        return true;
    };
    auto dropPeer = [&](int fd) {
        Peer& peer = peers[fd];
        if (!peer.buffer.empty()) {
            std::fprintf(err, "%s disconnected inside a message (%zu bytes dropped)\n",
                         peer.strName.c_str(), peer.buffer.size());
        } else {
            std::fprintf(err, "%s disconnected\n", peer.strName.c_str());
        }
        std::fflush(err);
        ::close(fd);
        peers.erase(fd);
    };

    while (!g_bSignalled.load() && (stop == nullptr || !stop->load()) &&
           (options.nCount < 0 || received < options.nCount) && rc == kLinkServerOk) {
        std::vector<pollfd> fds;
        fds.push_back({listener.Fd(), POLLIN, 0});
        for (const auto& [fd, peer] : peers) fds.push_back({fd, POLLIN, 0});
        const int n = ::poll(fds.data(), fds.size(), 100);
        if (n < 0 && errno != EINTR) {
            std::fprintf(err, "orvalis-link-server: poll: %s\n", std::strerror(errno));
            rc = kLinkServerFailed;
            break;
        }
        if (n <= 0) continue;
        if ((fds[0].revents & POLLIN) != 0) {
            std::string name;
            const int fd = listener.Accept(name);
            if (fd >= 0) {
                if (peers.size() >= kMaxPeers) {
                    std::fprintf(err, "%s refused: %zu peers connected already\n", name.c_str(),
                                 peers.size());
                    ::close(fd);
                } else {
                    peers[fd].strName = name;
                    std::fprintf(err, "%s connected\n", name.c_str());
                }
                std::fflush(err);
            }
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            const int fd = fds[i].fd;
            uint8_t chunk[4096];
            const ssize_t got = ::recv(fd, chunk, sizeof(chunk), 0);
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
            if (got <= 0) {
                dropPeer(fd);
                continue;
            }
            Peer& peer = peers[fd];
            peer.buffer.insert(peer.buffer.end(), chunk, chunk + got);
            // Whole messages only; a message is at most 3 + 65535 bytes, so
            // the buffer stays bounded.
            size_t used = 0;
            while (peer.buffer.size() - used >= kHeaderSize) {
                const uint8_t* m = peer.buffer.data() + used;
                const uint16_t length = static_cast<uint16_t>(m[1] | (m[2] << 8));
                if (peer.buffer.size() - used < kHeaderSize + length) break;
                LinkRecord record;
                SplitLinkMessage(m[0], m + kHeaderSize, length, record);
                used += kHeaderSize + length;
                if (!emit(peer.strName, record)) {
                    std::fprintf(err, "orvalis-link-server: cannot write %s\n",
                                 options.strJson.c_str());
                    rc = kLinkServerFailed;
                    break;
                }
                ++received;
                if (options.nCount >= 0 && received >= options.nCount) break;
            }
            peer.buffer.erase(peer.buffer.begin(), peer.buffer.begin() + static_cast<long>(used));
            if (rc != kLinkServerOk || (options.nCount >= 0 && received >= options.nCount)) break;
        }
    }
    for (const auto& [fd, peer] : peers) ::close(fd);
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    std::signal(SIGPIPE, oldPipe);
    if (!closeJson() && rc == kLinkServerOk) {
        std::fprintf(err, "orvalis-link-server: cannot write %s\n", options.strJson.c_str());
        rc = kLinkServerFailed;
    }
    return rc;
}
