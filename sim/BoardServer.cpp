#include "sim/BoardServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sim/SimulatedBoard.h"

namespace {

constexpr int64_t kMs = 1000000;
// Output that a pseudo-terminal nobody reads cannot take is dropped beyond
// this, as bytes on a line with nobody listening are.
constexpr size_t kPendingLimit = 64 * 1024;
// gpsd messages the serving loop has not taken yet; older ones are dropped.
constexpr size_t kGpsWaitingLimit = 16;

void SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

CBoardServer::CBoardServer(const CScenario& scenario, uint64_t seed, bool unpaced)
    : m_pBoard(std::make_unique<CSimulatedBoard>(scenario, seed)), m_bUnpaced(unpaced) {}

CBoardServer::~CBoardServer() {
    if (m_pGpsd) m_pGpsd->Stop();
    if (m_nSlave >= 0) close(m_nSlave);
    if (m_nMaster >= 0) close(m_nMaster);
}

int CBoardServer::UseGpsd(const GpsdAddress& address) {
    if (m_pGpsd) return -1;
    m_pBoard->TakeGpsFromOutside();
    CGpsdSource::Setup setup;
    setup.address = address;
    setup.deliver = [this](const GpsMessage& message) {
        const std::lock_guard<std::mutex> lock(m_gpsMutex);
        if (m_gpsWaiting.size() >= kGpsWaitingLimit) m_gpsWaiting.pop_front();
        m_gpsWaiting.push_back(message);
    };
    setup.notice = [](const std::string& text) {
        std::fprintf(stderr, "orvalis-board-sim: %s\n", text.c_str());
    };
    m_pGpsd = std::make_unique<CGpsdSource>(std::move(setup));
    return m_pGpsd->Start();
}

void CBoardServer::PassGpsMessages() {
    std::deque<GpsMessage> messages;
    {
        const std::lock_guard<std::mutex> lock(m_gpsMutex);
        messages.swap(m_gpsWaiting);
    }
    for (const GpsMessage& message : messages) m_pBoard->SendGpsMessage(message);
}

int CBoardServer::OpenPty(std::string& path, std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return -1;
    }
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        error = std::string("cannot unlock the pseudo-terminal: ") + std::strerror(errno);
        close(master);
        return -1;
    }
    char name[256] = {};
    if (ptsname_r(master, name, sizeof name) != 0) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        close(master);
        return -1;
    }
    // Raw from the start: no echo of the board's bytes back to it, no line
    // editing, no translation of 0x11 (XON) or carriage returns.
    termios settings{};
    if (tcgetattr(master, &settings) == 0) {
        cfmakeraw(&settings);
        cfsetispeed(&settings, B38400);
        cfsetospeed(&settings, B38400);
        tcsetattr(master, TCSANOW, &settings);
    }
    const int slave = open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        error = std::string("cannot open ") + name + ": " + std::strerror(errno);
        close(master);
        return -1;
    }
    if (tcgetattr(slave, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(slave, TCSANOW, &settings);
    }
    SetNonBlocking(master);
    m_nMaster = master;
    m_nSlave = slave;
    path = name;
    return 0;
}

int CBoardServer::Serve(int inFd, int outFd, const std::atomic<bool>& stop, double seconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const int64_t end =
        seconds > 0.0 ? static_cast<int64_t>(seconds * 1e9) : CSimulatedBoard::kNever;
    const bool pty = inFd == m_nMaster && outFd == m_nMaster && m_nMaster >= 0;
    std::vector<uint8_t> pending;
    std::vector<uint8_t> chunk(4096);
    bool inputOpen = inFd >= 0;

    while (!stop.load()) {
        if (m_pBoard->Now() >= end && pending.empty()) return 0;

        // Wait for a command, for room in the output, or for the board.
        int timeoutMs = 5;
        if (m_bUnpaced && pending.empty()) timeoutMs = 0;
        pollfd fds[2] = {};
        int count = 0;
        int inIndex = -1;
        if (inputOpen) {
            inIndex = count;
            fds[count++] = pollfd{inFd, POLLIN, 0};
        }
        if (!pending.empty()) {
            if (pty && inIndex >= 0)
                fds[inIndex].events |= POLLOUT;
            else
                fds[count++] = pollfd{outFd, POLLOUT, 0};
        }
        const int ready = poll(fds, static_cast<nfds_t>(count), timeoutMs);
        if (ready < 0 && errno != EINTR) return -1;

        if (inIndex >= 0 && (fds[inIndex].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t got = read(inFd, chunk.data(), chunk.size());
            if (got > 0) {
                m_pBoard->Write(chunk.data(), static_cast<size_t>(got));
            } else if (got == 0 && !pty) {
                inputOpen = false;  // end of the pipe: keep talking
            } else if (got < 0 && errno != EAGAIN && errno != EINTR && errno != EIO && !pty) {
                inputOpen = false;
            }
        }

        // Bring the board up to date.
        if (m_bUnpaced) {
            if (pending.empty()) {
                const int64_t target =
                    std::min(end, std::max(m_pBoard->NextActivity(), m_pBoard->Now() + kMs));
                m_pBoard->AdvanceTo(std::min(target, m_pBoard->Now() + 250 * kMs));
                m_pBoard->AdvanceTo(std::min(end, m_pBoard->LineIdleAt()));
            }
        } else {
            const int64_t elapsed =
                std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
            m_pBoard->AdvanceTo(std::min(elapsed, end));
        }
        PassGpsMessages();
        const std::vector<uint8_t> bytes = m_pBoard->ReadAll();
        pending.insert(pending.end(), bytes.begin(), bytes.end());
        if (pending.size() > kPendingLimit && !m_bUnpaced)
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(
                                                                 pending.size() - kPendingLimit));

        if (!pending.empty()) {
            const ssize_t put = write(outFd, pending.data(), pending.size());
            if (put > 0) {
                pending.erase(pending.begin(), pending.begin() + put);
            } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
                if (errno == EPIPE) return 0;  // the reader has gone
                if (!pty) return -1;
            }
        }
    }
    return 0;
}
