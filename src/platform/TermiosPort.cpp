#include "platform/TermiosPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

// Timing model. The board link is read by a polling thread that asks how many
// bytes are waiting and then reads only those, so a read never has to wait.
// The descriptor therefore stays non-blocking with VMIN = VTIME = 0: Read
// returns what is there at once. A "250 ms plus 1 ms per byte" total read
// timeout has no termios equivalent (VTIME is an inter-byte timer in tenths of
// a second), and with reads sized by FIONREAD it would never come into play.
// Writes have no timeout of their own: Write waits for the line to take every
// byte, but gives up after kWriteStallMs without progress so a wedged device
// cannot hang the reader thread forever. The driver's queue sizes are not
// settable through termios; the kernel's tty buffers are larger than the
// 4096/1024 bytes the board needs.

namespace {

constexpr int kWriteStallMs = 2000;

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

CTermiosPort::~CTermiosPort() {
    Close();
}

const char* CTermiosPort::FailureMessage(OpenResult result) {
    switch (result) {
        case OpenResult::CannotOpen:
            return "Cannot Open Connection To Board.";
        case OpenResult::CannotSetState:
            return "Could not SetCommState";
        case OpenResult::Ok:
            break;
    }
    return nullptr;
}

int CTermiosPort::Open(const std::string& path) {
    Close();
    m_strLastError.clear();
    m_nLastOpenErrno = 0;

    // Existing devices only (no O_CREAT); O_NOCTTY so the board's line never
    // becomes our controlling terminal; O_NONBLOCK so a modem line without
    // carrier cannot block the open.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_nLastOpenErrno = errno;
        m_strLastError = ErrnoText(path.c_str());
        m_eLastOpenResult = OpenResult::CannotOpen;
        return -1;
    }
    m_nFd = fd;
    // The port is ours alone while open; a tty that refuses exclusive mode is
    // still usable.
    (void)::ioctl(m_nFd, TIOCEXCL);

    if (ApplySettings() != 0) {
        ::close(m_nFd);
        m_nFd = -1;
        m_eLastOpenResult = OpenResult::CannotSetState;
        return -1;
    }

    // RTS held on (not used for handshaking), DTR off. Pseudo-terminals and
    // some adapters have no modem lines; that is not a failure.
    int rts = TIOCM_RTS;
    int dtr = TIOCM_DTR;
    (void)::ioctl(m_nFd, TIOCMBIS, &rts);
    (void)::ioctl(m_nFd, TIOCMBIC, &dtr);

    // Drop anything left in either direction from before we opened.
    (void)::tcflush(m_nFd, TCIOFLUSH);
    m_eLastOpenResult = OpenResult::Ok;
    m_strPath = path;
    m_bLost = false;
    return 0;
}

int CTermiosPort::Reopen() {
    if (m_strPath.empty()) return -1;
    const std::string path = m_strPath;
    return Open(path);
}

void CTermiosPort::CheckGone(int error) {
    if (error == EIO || error == ENXIO || error == ENODEV) MarkLost();
}

void CTermiosPort::MarkLost() {
    Close();
    m_bLost = true;
}

int CTermiosPort::ApplySettings() {
    termios tio{};
    if (::tcgetattr(m_nFd, &tio) != 0) {
        m_strLastError = ErrnoText("tcgetattr");
        return -1;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, B38400) != 0 || ::cfsetospeed(&tio, B38400) != 0) {
        m_strLastError = ErrnoText("cfsetspeed");
        return -1;
    }
    if (::tcsetattr(m_nFd, TCSANOW, &tio) != 0) {
        m_strLastError = ErrnoText("tcsetattr");
        return -1;
    }

    // tcsetattr succeeds when any one of the changes took; read the settings
    // back so a device that refused the speed or framing is reported.
    termios applied{};
    if (::tcgetattr(m_nFd, &applied) != 0) {
        m_strLastError = ErrnoText("tcgetattr");
        return -1;
    }
    const tcflag_t framing = CSIZE | PARENB | CSTOPB | CRTSCTS;
    if (::cfgetospeed(&applied) != B38400 || ::cfgetispeed(&applied) != B38400 ||
        (applied.c_cflag & framing) != CS8 || (applied.c_iflag & (IXON | IXOFF)) != 0) {
        m_strLastError = "the device did not take 38400 baud 8N1 without flow control";
        return -1;
    }
    return 0;
}

void CTermiosPort::Close() {
    if (m_nFd >= 0) {
        ::close(m_nFd);
        m_nFd = -1;
    }
}

int CTermiosPort::BytesWaiting() {
    if (m_nFd < 0 || m_bHeld.load(std::memory_order_acquire)) return 0;
    // Line errors (framing, overrun) are not latched by termios, so there is
    // nothing to clear; a failing query counts as nothing waiting.
    int count = 0;
    if (::ioctl(m_nFd, FIONREAD, &count) != 0) {
        // A hung-up tty refuses every request with EIO.
        CheckGone(errno);
        return 0;
    }
    if (count > 0) return count;
    CheckHangUp();
    return 0;
}

void CTermiosPort::CheckHangUp() {
    // A line whose other side went away may say so only to poll: a read
    // then returns 0 as it does on a quiet line.
    pollfd pfd{m_nFd, POLLIN, 0};
    if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) MarkLost();
}

int CTermiosPort::Read(uint8_t* buffer, int max) {
    if (m_nFd < 0 || buffer == nullptr || max < 0) return -1;
    if (max == 0 || m_bHeld.load(std::memory_order_acquire)) return 0;
    for (;;) {
        const ssize_t n = ::read(m_nFd, buffer, static_cast<size_t>(max));
        if (n == 0) CheckHangUp();
        if (n >= 0) return static_cast<int>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        CheckGone(errno);
        return -1;
    }
}

int CTermiosPort::Write(const uint8_t* buffer, int length) {
    if (m_nFd < 0 || buffer == nullptr || length < 0) return -1;
    int written = 0;
    while (written < length) {
        const ssize_t n = ::write(m_nFd, buffer + written, static_cast<size_t>(length - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            CheckGone(errno);
            return written > 0 ? written : -1;
        }
        pollfd pfd{m_nFd, POLLOUT, 0};
        int ready;
        do {
            ready = ::poll(&pfd, 1, kWriteStallMs);
        } while (ready < 0 && errno == EINTR);
        if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            MarkLost();
            return written > 0 ? written : -1;
        }
        if (ready <= 0) return written > 0 ? written : -1;
    }
    return written;
}
