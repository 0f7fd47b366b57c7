#include "tests/support/GpsdFake.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

using namespace std::chrono_literals;

constexpr const char* kGpsfake = "/usr/bin/gpsfake";
constexpr const char* kGpsd = "/usr/sbin/gpsd";

std::string Sentence(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// ddmm.mmmm / dddmm.mmmm and the hemisphere letter.
std::string DegreesMinutes(double value, int degreeDigits, char positive, char negative) {
    const double a = std::fabs(value);
    const int degrees = static_cast<int>(a);
    char text[32];
    std::snprintf(text, sizeof text, "%0*d%07.4f,%c", degreeDigits, degrees, (a - degrees) * 60.0,
                  value < 0 ? negative : positive);
    return text;
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

}  // namespace

std::string CGpsdFake::Unavailable() {
    if (access(kGpsfake, X_OK) != 0) return std::string(kGpsfake) + " is not installed";
    if (access(kGpsd, X_OK) != 0) return std::string(kGpsd) + " is not installed";
    return {};
}

std::string CGpsdFake::Capture(const std::vector<Epoch>& epochs, const std::string& ddmmyy) {
    std::string out;
    char body[256];
    for (const Epoch& e : epochs) {
        const std::string lat = DegreesMinutes(e.latitude, 2, 'N', 'S');
        const std::string lon = DegreesMinutes(e.longitude, 3, 'E', 'W');
        std::snprintf(body, sizeof body, "GPRMC,%06d.00,A,%s,%s,%.1f,%.1f,%s,,,A", e.hhmmss,
                      lat.c_str(), lon.c_str(), e.speedKnots, e.courseDeg, ddmmyy.c_str());
        out += Sentence(body);
        if (e.b3D) {
            std::snprintf(body, sizeof body, "GPGGA,%06d.00,%s,%s,1,07,1.2,%.1f,M,46.9,M,,",
                          e.hhmmss, lat.c_str(), lon.c_str(), e.altitudeM);
        } else {
            std::snprintf(body, sizeof body, "GPGGA,%06d.00,%s,%s,1,03,2.4,,M,,M,,", e.hhmmss,
                          lat.c_str(), lon.c_str());
        }
        out += Sentence(body);
        out += Sentence(e.b3D ? "GPGSA,A,3,04,05,09,12,24,25,29,,,,,,2.1,1.2,1.7"
                              : "GPGSA,A,2,04,05,09,,,,,,,,,,3.0,2.4,1.8");
        out += Sentence("GPGSV,2,1,08,04,40,083,46,05,22,150,44,09,67,270,48,12,15,310,40");
        out += Sentence("GPGSV,2,2,08,24,35,045,42,25,10,200,38,29,55,120,45,31,05,015,");
    }
    return out;
}

std::string CGpsdFake::Walk(const Epoch& first, double latitudeStep, const std::string& ddmmyy) {
    std::vector<Epoch> walk;
    for (int i = 0; i < 5; ++i) {
        Epoch e = first;
        e.hhmmss += i;
        e.latitude += i * latitudeStep;
        walk.push_back(e);
    }
    return Capture(walk, ddmmyy);
}

int CGpsdFake::FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    int port = -1;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
        port = ntohs(addr.sin_port);
    if (fd >= 0) close(fd);
    return port;
}

CGpsdFake::CGpsdFake(std::filesystem::path folder) : m_folder(std::move(folder)) {}

CGpsdFake::~CGpsdFake() {
    Stop();
}

std::string CGpsdFake::Output() const {
    std::ifstream f(m_folder / "gpsfake.out");
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

int CGpsdFake::Start(int port, const std::string& capture) {
    Stop();
    const std::filesystem::path log = m_folder / ("walk" + std::to_string(++m_nStarts) + ".nmea");
    std::ofstream(log, std::ios::binary) << capture;
    std::vector<std::string> args = {kGpsfake,    "-q", "-c", "0.05", "-P", std::to_string(port),
                                     log.string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = (m_folder / "gpsfake.out").string();
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // A group of its own: gpsfake's gpsd is ended with it.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, kGpsfake, &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    m_nPid = pid;
    const auto end = std::chrono::steady_clock::now() + 15s;
    while (std::chrono::steady_clock::now() < end) {
        if (waitpid(m_nPid, nullptr, WNOHANG) == m_nPid) {
            m_nPid = -1;
            return -1;
        }
        if (Accepts(port)) return 0;
        std::this_thread::sleep_for(50ms);
    }
    Stop();
    return -1;
}

void CGpsdFake::Stop() {
    if (m_nPid <= 0) return;
    kill(-m_nPid, SIGTERM);
    const auto end = std::chrono::steady_clock::now() + 3s;
    bool reaped = false;
    while (!reaped && std::chrono::steady_clock::now() < end) {
        reaped = waitpid(m_nPid, nullptr, WNOHANG) == m_nPid;
        if (!reaped) std::this_thread::sleep_for(20ms);
    }
    // Whatever is left of the group (gpsd itself) goes now.
    kill(-m_nPid, SIGKILL);
    if (!reaped) waitpid(m_nPid, nullptr, 0);
    m_nPid = -1;
}
