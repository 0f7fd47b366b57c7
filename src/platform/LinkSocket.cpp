#include "platform/LinkSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>

namespace {

// Waits are cut into slices so that a cancel is seen soon.
constexpr int kSliceMs = 50;

bool Cancelled(const std::atomic<bool>* pCancel) {
    return pCancel != nullptr && pCancel->load(std::memory_order_acquire);
}

// Waits for `events` on fd up to timeoutMs: 1 ready, 0 timed out or
// cancelled, -1 failed.
int WaitFor(int fd, short events, int timeoutMs, const std::atomic<bool>* pCancel) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (Cancelled(pCancel)) return 0;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return 0;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, kSliceMs)));
        if (n > 0) return 1;
        if (n < 0 && errno != EINTR) return -1;
    }
}

bool ParsePort(std::string_view text, int& port) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535)
        return false;
    port = value;
    return true;
}

std::string AddressText(const sockaddr* sa) {
    char host[INET6_ADDRSTRLEN] = "?";
    int port = 0;
    if (sa->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(sa);
        inet_ntop(AF_INET, &in->sin_addr, host, sizeof(host));
        port = ntohs(in->sin_port);
        return std::string(host) + ":" + std::to_string(port);
    }
    if (sa->sa_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(sa);
        inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof(host));
        port = ntohs(in6->sin6_port);
        return "[" + std::string(host) + "]:" + std::to_string(port);
    }
    return host;
}

}  // namespace

int ParseLinkPeer(std::string_view text, LinkPeer& out, std::string& error) {
    LinkPeer peer;
    std::string_view rest;
    if (text.starts_with('[')) {
        const size_t close = text.find(']');
        if (close == std::string_view::npos || close == 1) {
            error = "'" + std::string(text) + "' is not HOST[:PORT]";
            return -1;
        }
        peer.strHost = std::string(text.substr(1, close - 1));
        rest = text.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            error = "'" + std::string(text) + "' is not HOST[:PORT]";
            return -1;
        }
    } else {
        const size_t colon = text.find(':');
        if (colon != std::string_view::npos &&
            text.find(':', colon + 1) != std::string_view::npos) {
            error = "'" + std::string(text) + "': write an IPv6 address in brackets, [ADDR]:PORT";
            return -1;
        }
        peer.strHost = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos) rest = text.substr(colon);
    }
    if (peer.strHost.empty()) {
        error = "'" + std::string(text) + "' names no host";
        return -1;
    }
    for (char c : peer.strHost) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '/' || c == ',') {
            error = "'" + std::string(text) + "' is not a host name or address";
            return -1;
        }
    }
    if (!rest.empty() && !ParsePort(rest.substr(1), peer.nPort)) {
        error = "'" + std::string(text) + "' needs a port from 1 to 65535";
        return -1;
    }
    out = std::move(peer);
    return 0;
}

int ParseLinkPeerList(std::string_view text, std::vector<LinkPeer>& out, std::string& error) {
    std::vector<LinkPeer> peers;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ',' || text[i] == ' ' || text[i] == '\t')) ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != ',' && text[i] != ' ' && text[i] != '\t') ++i;
        if (i == start) break;
        LinkPeer peer;
        if (ParseLinkPeer(text.substr(start, i - start), peer, error) < 0) return -1;
        peers.push_back(std::move(peer));
    }
    out = std::move(peers);
    return 0;
}

std::string FormatLinkPeer(const LinkPeer& peer) {
    const bool bV6 = peer.strHost.find(':') != std::string::npos;
    return (bV6 ? "[" + peer.strHost + "]" : peer.strHost) + ":" + std::to_string(peer.nPort);
}

CLinkSocket::~CLinkSocket() {
    Close();
}

void CLinkSocket::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

int CLinkSocket::ConnectAddress(const void* address, unsigned length, int family, int timeoutMs,
                                const std::atomic<bool>* pCancel) {
    Close();
    m_fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (m_fd < 0) {
        m_nLastError = errno;
        return kSocketFailed;
    }
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    if (::connect(m_fd, static_cast<const sockaddr*>(address), length) == 0) return kConnected;
    if (errno != EINPROGRESS) {
        m_nLastError = errno;
        Close();
        return kNoAnswer;
    }
    const int ready = WaitFor(m_fd, POLLOUT, timeoutMs, pCancel);
    if (ready <= 0) {
        m_nLastError = ready == 0 ? ETIMEDOUT : errno;
        Close();
        return kNoAnswer;
    }
    int soError = 0;
    socklen_t len = sizeof(soError);
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) {
        m_nLastError = errno;
        Close();
        return kQueryFailed;
    }
    if (soError != 0) {
        m_nLastError = soError;
        Close();
        return kNoAnswer;
    }
    return kConnected;
}

int CLinkSocket::Connect(const LinkPeer& peer, int timeoutMs, const std::atomic<bool>* pCancel) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    const std::string port = std::to_string(peer.nPort);
    const int gai = ::getaddrinfo(peer.strHost.c_str(), port.c_str(), &hints, &list);
    if (gai != 0) {
        m_nLastError = gai == EAI_SYSTEM ? errno : EHOSTUNREACH;
        return kNoAnswer;
    }
    int result = kNoAnswer;
    for (const addrinfo* a = list; a != nullptr && !Cancelled(pCancel); a = a->ai_next) {
        result = ConnectAddress(a->ai_addr, a->ai_addrlen, a->ai_family, timeoutMs, pCancel);
        if (result != kNoAnswer) break;
    }
    ::freeaddrinfo(list);
    return result;
}

int CLinkSocket::Send(const uint8_t* data, int length, int timeoutMs,
                      const std::atomic<bool>* pCancel) {
    if (m_fd < 0 || length < 0) return -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int sent = 0;
    while (sent < length) {
        const ssize_t n = ::send(m_fd, data + sent, static_cast<size_t>(length - sent),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            m_nLastError = errno;
            return -1;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || WaitFor(m_fd, POLLOUT, static_cast<int>(left), pCancel) <= 0) {
            m_nLastError = ETIMEDOUT;
            return -1;
        }
    }
    return 0;
}

bool CLinkSocket::PeerClosed() {
    if (m_fd < 0) return true;
    pollfd p{m_fd, POLLIN | POLLRDHUP, 0};
    if (::poll(&p, 1, 0) <= 0) return false;
    if ((p.revents & (POLLERR | POLLHUP | POLLRDHUP)) != 0) return true;
    // Bytes from a peer that should send none: read and ignore them; only
    // the end of the stream counts.
    uint8_t buffer[256];
    const ssize_t n = ::recv(m_fd, buffer, sizeof(buffer), MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

CLinkListener::~CLinkListener() {
    Close();
}

void CLinkListener::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

int CLinkListener::Listen(const std::string& address, int port, std::string& error) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const std::string portText = std::to_string(port);
    const int gai =
        ::getaddrinfo(address.empty() ? nullptr : address.c_str(), portText.c_str(), &hints, &list);
    if (gai != 0) {
        error = "cannot use address " + address + ": " + ::gai_strerror(gai);
        return -1;
    }
    int lastErrno = 0;
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastErrno = errno;
            continue;
        }
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 16) == 0) {
            sockaddr_storage bound{};
            socklen_t len = sizeof(bound);
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);
            m_nPort = bound.ss_family == AF_INET6
                          ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                          : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
            m_fd = fd;
            break;
        }
        lastErrno = errno;
        ::close(fd);
    }
    ::freeaddrinfo(list);
    if (m_fd < 0) {
        error = "cannot listen on " + (address.empty() ? std::string("*") : address) + ":" +
                portText + ": " + std::strerror(lastErrno);
        return -1;
    }
    return 0;
}

int CLinkListener::Accept(std::string& peer) {
    if (m_fd < 0) return -1;
    sockaddr_storage from{};
    socklen_t len = sizeof(from);
    const int fd =
        ::accept4(m_fd, reinterpret_cast<sockaddr*>(&from), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return -1;
    peer = AddressText(reinterpret_cast<const sockaddr*>(&from));
    return fd;
}
