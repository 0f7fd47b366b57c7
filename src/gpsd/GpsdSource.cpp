#include "gpsd/GpsdSource.h"

#include <gps.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>
#include <memory>

#if GPSD_API_MAJOR_VERSION < 9
#error "libgps with API 9 or later is needed (gps_read with a message buffer, altMSL)"
#endif

namespace {

// How long one wait for a report lasts: the most Stop waits for the thread.
constexpr int kWaitMicroseconds = 250000;
constexpr uint8_t kTimeValid = 0x80;
constexpr std::array<uint8_t, 6> kIdTag = {'G', 'P', 'S', 'D', ' ', ' '};

bool Known(double value) {
    return std::isfinite(value);
}

uint8_t Count(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

GpsdReport ReportFromData(const gps_data_t& data) {
    GpsdReport r;
    const gps_fix_t& fix = data.fix;
    r.mode = fix.mode;
    if (fix.time.tv_sec != 0 || fix.time.tv_nsec != 0)
        r.time =
            static_cast<double>(fix.time.tv_sec) + static_cast<double>(fix.time.tv_nsec) * 1e-9;
    r.latitude = fix.latitude;
    r.longitude = fix.longitude;
    r.altitudeMsl = fix.altMSL;
    r.altitudeHae = fix.altHAE;
    if (!Known(r.altitudeMsl) && Known(fix.altHAE) && Known(fix.geoid_sep))
        r.altitudeMsl = fix.altHAE - fix.geoid_sep;
    r.speed = fix.speed;
    r.climb = fix.climb;
    r.track = fix.track;
    r.hdop = data.dop.hdop;
    r.visible = data.satellites_visible;
    r.used = data.satellites_used;
    const int sky = std::clamp(data.satellites_visible, 0, GpsFix::kChannelCount);
    for (int i = 0; i < sky; ++i) {
        const satellite_t& s = data.skyview[i];
        r.satellites[static_cast<size_t>(i)] = {s.PRN, s.used, s.ss};
    }
    r.satelliteCount = sky;
    return r;
}

}  // namespace

std::string GpsdAddress::Text() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + port;
}

int ParseGpsSource(std::string_view text, GpsdAddress& out, std::string& why) {
    constexpr std::string_view kScheme = "gpsd";
    if (!text.starts_with(kScheme) ||
        (text.size() > kScheme.size() && text[kScheme.size()] != ':')) {
        why = "'" + std::string(text) + "' is not gpsd[:HOST[:PORT]]";
        return -1;
    }
    GpsdAddress address;
    std::string_view rest = text.substr(kScheme.size());
    if (!rest.empty()) rest.remove_prefix(1);
    std::string_view host = rest;
    std::string_view port;
    if (rest.starts_with("[")) {
        const size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            why = "'" + std::string(text) + "' has no ']' after the IPv6 address";
            return -1;
        }
        host = rest.substr(1, close - 1);
        const std::string_view after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') {
                why = "'" + std::string(text) + "' is not gpsd[:HOST[:PORT]]";
                return -1;
            }
            port = after.substr(1);
            if (port.empty()) port = GpsdAddress::kDefaultPort;
        }
    } else if (const size_t colon = rest.find(':'); colon != std::string_view::npos) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (port.find(':') != std::string_view::npos) {
            why = "'" + std::string(text) + "': put an IPv6 address in brackets, [ADDRESS]";
            return -1;
        }
    }
    if (!host.empty()) address.host = std::string(host);
    if (!port.empty()) {
        unsigned value = 0;
        for (char c : port) {
            if (c < '0' || c > '9' || value > 65535) {
                value = 0;
                break;
            }
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        if (value == 0 || value > 65535) {
            why = "the gpsd port must be a number from 1 to 65535, not '" + std::string(port) + "'";
            return -1;
        }
        address.port = std::to_string(value);
    }
    out = address;
    return 0;
}

bool HasPosition(const GpsdReport& report) {
    return report.mode >= 2 && Known(report.latitude) && Known(report.longitude) &&
           std::fabs(report.latitude) <= 90.0 && std::fabs(report.longitude) <= 180.0;
}

GpsFix FixFromReport(const GpsdReport& report) {
    GpsFix fix;
    const bool position = HasPosition(report);
    // A fix without a position would put the track at 0, 0.
    fix.fixStatus = !position          ? GpsFixStatus::kAcquiring
                    : report.mode >= 3 ? GpsFixStatus::kFix3D
                                       : GpsFixStatus::kFix2D;
    fix.idTag = kIdTag;
    if (Known(report.time) && report.time >= 0.0 && report.time < 253402300800.0) {
        const auto whole = static_cast<std::time_t>(std::floor(report.time));
        std::tm utc{};
        if (gmtime_r(&whole, &utc) != nullptr) {
            fix.year = utc.tm_year + 1900;
            fix.month = utc.tm_mon + 1;
            fix.day = utc.tm_mday;
            fix.hours = utc.tm_hour;
            fix.minutes = utc.tm_min;
            fix.seconds = std::min(utc.tm_sec, 59);
            fix.timeFlags = kTimeValid;
        }
    } else {
        fix.year = fix.month = fix.day = 0;
    }

    if (position) {
        fix.latitude1 = fix.latitude2 = report.latitude;
        fix.longitude1 = fix.longitude2 = report.longitude;
    }
    if (position && Known(report.altitudeMsl))
        fix.height1Cm = fix.height3Cm = report.altitudeMsl * 100.0;
    if (position && Known(report.altitudeHae))
        fix.height2Cm = fix.height4Cm = report.altitudeHae * 100.0;

    if (report.mode >= 2 && Known(report.speed)) {
        const double ground = std::max(0.0, report.speed);
        const double climb = Known(report.climb) ? report.climb : 0.0;
        fix.speed2DCmPerSecond = ground * 100.0;
        fix.speed3DCmPerSecond = std::hypot(ground, climb) * 100.0;
    }
    if (report.mode >= 2 && Known(report.track)) {
        long tenths = std::lround(std::fmod(report.track, 360.0) * 10.0) % 3600;
        if (tenths < 0) tenths += 3600;
        fix.headingTenths = static_cast<uint16_t>(tenths);
    }
    if (Known(report.hdop))
        fix.dilution =
            static_cast<uint16_t>(std::lround(std::clamp(report.hdop * 10.0, 0.0, 65535.0)));
    fix.visibleSats = Count(report.visible);
    fix.trackedSats = Count(report.used);
    const int sky = std::clamp(report.satelliteCount, 0, GpsFix::kChannelCount);
    for (int c = 0; c < sky; ++c) {
        const GpsdReport::Satellite& s = report.satellites[static_cast<size_t>(c)];
        auto& record = fix.channels[static_cast<size_t>(c)];
        record[0] = Count(s.prn);
        record[1] = s.used ? 8 : 2;  // tracking mode: in the solution, or only seen
        record[2] = Known(s.signal) ? Count(static_cast<int>(std::lround(s.signal))) : 0;
        record[4] = s.used ? 0xA2 : 0x00;
    }
    return fix;
}

CGpsdSource::CGpsdSource(Setup setup) : m_setup(std::move(setup)) {}

CGpsdSource::~CGpsdSource() {
    Stop();
}

int CGpsdSource::Start() {
    if (m_thread.joinable()) return -1;
    m_bStop.store(false, std::memory_order_release);
    m_thread = std::thread([this] { Run(); });
    return 0;
}

void CGpsdSource::Stop() {
    if (!m_thread.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(m_stopMutex);
        m_bStop.store(true, std::memory_order_release);
    }
    m_stopSignal.notify_all();
    m_thread.join();
}

bool CGpsdSource::WaitOrStop(std::chrono::milliseconds delay) {
    std::unique_lock<std::mutex> lock(m_stopMutex);
    return m_stopSignal.wait_for(lock, delay,
                                 [this] { return m_bStop.load(std::memory_order_acquire); });
}

void CGpsdSource::Notice(const std::string& text) {
    if (m_setup.notice) m_setup.notice(text);
}

void CGpsdSource::Run() {
    const std::string where = "gpsd at " + m_setup.address.Text();
    auto delay = m_setup.firstRetry;
    bool everConnected = false;
    bool outageTold = false;
    while (!m_bStop.load(std::memory_order_acquire)) {
        m_nAttempts.fetch_add(1, std::memory_order_acq_rel);
        std::string reason;
        const SessionEnd end = Session(reason);
        if (end == SessionEnd::Stopped) break;
        if (end == SessionEnd::Lost) {
            everConnected = true;
            delay = m_setup.firstRetry;
            Notice("lost " + where + "; trying again in the background");
            outageTold = true;
        } else if (!outageTold) {
            Notice(where + (everConnected ? " is not back yet" : " is not answering") + " (" +
                   reason + "); trying again in the background");
            outageTold = true;
        }
        if (WaitOrStop(delay)) break;
        delay = std::min(delay * 2, m_setup.maxRetry);
    }
}

CGpsdSource::SessionEnd CGpsdSource::Session(std::string& reason) {
    auto data = std::make_unique<gps_data_t>();
    errno = 0;
    if (gps_open(m_setup.address.host.c_str(), m_setup.address.port.c_str(), data.get()) != 0) {
        reason = errno != 0 ? gps_errstr(errno) : "cannot connect";
        return SessionEnd::NotAnswering;
    }
    const auto close = [&data] { gps_close(data.get()); };
    if (gps_stream(data.get(), WATCH_ENABLE | WATCH_JSON, nullptr) != 0) {
        close();
        reason = "cannot ask for reports";
        return SessionEnd::NotAnswering;
    }
    // The connect may still be under way; gpsd counts as there once it has
    // said something (it greets every client at once).
    bool answered = false;
    const auto deadline = std::chrono::steady_clock::now() + m_setup.answerTime;
    while (!m_bStop.load(std::memory_order_acquire)) {
        errno = 0;
        if (!gps_waiting(data.get(), kWaitMicroseconds)) {
            // A failed wait (not a timeout) means the connection is unusable.
            if (errno != 0 && errno != EINTR) break;
            if (!answered && std::chrono::steady_clock::now() > deadline) break;
            continue;
        }
        data->set = 0;
        const int got = gps_read(data.get(), nullptr, 0);
        if (got < 0) break;
        if (!answered && got > 0) {
            answered = true;
            m_nConnections.fetch_add(1, std::memory_order_acq_rel);
            Notice("reading positions from gpsd at " + m_setup.address.Text());
        }
        // Position reports carry the fix mode; sky views, versions and
        // device lists do not.
        if ((data->set & MODE_SET) != 0) Report(ReportFromData(*data));
    }
    close();
    if (m_bStop.load(std::memory_order_acquire)) return SessionEnd::Stopped;
    if (answered) return SessionEnd::Lost;
    reason = "no reply";
    return SessionEnd::NotAnswering;
}

void CGpsdSource::Report(const GpsdReport& report) {
    // gpsd may announce a fix before this cycle's position; the next report
    // carries it.
    if (report.mode >= 2 && !HasPosition(report)) return;
    const bool hold = m_setup.boardReports && m_setup.boardReports();
    if (hold != m_bHolding) {
        m_bHolding = hold;
        Notice(hold ? "the board's own GPS receiver is reporting; positions from gpsd are held "
                      "back while it does"
                    : "the board's GPS receiver is silent; positions come from gpsd again");
    }
    if (hold) {
        m_nHeldBack.fetch_add(1, std::memory_order_acq_rel);
        return;
    }
    if (m_setup.deliver) m_setup.deliver(EncodeGpsMessage(FixFromReport(report)));
    m_nDelivered.fetch_add(1, std::memory_order_acq_rel);
}
