#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The stream the forwarding link sends over: TCP to the peers the person
// names. Addresses are resolved when tried, so a peer that comes and goes by
// name is found again.

inline constexpr int kDefaultLinkPort = 7207;

struct LinkPeer {
    std::string strHost;
    int nPort = kDefaultLinkPort;
    bool operator==(const LinkPeer&) const = default;
};

// "HOST", "HOST:PORT", "[V6ADDR]" or "[V6ADDR]:PORT", port 1..65535.
// 0, or -1 with a one-line reason.
int ParseLinkPeer(std::string_view text, LinkPeer& out, std::string& error);
// A list separated by commas or blanks (the environment's form).
int ParseLinkPeerList(std::string_view text, std::vector<LinkPeer>& out, std::string& error);
// "host:port", with brackets around an IPv6 literal.
std::string FormatLinkPeer(const LinkPeer& peer);

// One client stream. Every wait is bounded and gives way to `pCancel`.
class CLinkSocket {
public:
    // Results of Connect.
    static constexpr int kConnected = 0;
    static constexpr int kNoAnswer = 1;       // refused, unreachable, timed out, unknown name
    static constexpr int kSocketFailed = -1;  // no socket could be made (LastError)
    static constexpr int kQueryFailed = -2;   // the connection state could not be read

    CLinkSocket() = default;
    ~CLinkSocket();
    CLinkSocket(const CLinkSocket&) = delete;
    CLinkSocket& operator=(const CLinkSocket&) = delete;

    // Tries each address of the peer in turn, each for at most timeoutMs.
    int Connect(const LinkPeer& peer, int timeoutMs, const std::atomic<bool>* pCancel);
    // Sends every byte within timeoutMs. 0, or -1 (the stream is then broken).
    int Send(const uint8_t* data, int length, int timeoutMs, const std::atomic<bool>* pCancel);
    // The peer closed or reset the stream (our peers never send; anything
    // readable is the end of the stream).
    bool PeerClosed();
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    // errno of the last failure.
    int LastError() const { return m_nLastError; }

private:
    int ConnectAddress(const void* address, unsigned length, int family, int timeoutMs,
                       const std::atomic<bool>* pCancel);

    int m_fd = -1;
    int m_nLastError = 0;
};

// The receiving side (the link server and tests): a listening TCP socket.
class CLinkListener {
public:
    CLinkListener() = default;
    ~CLinkListener();
    CLinkListener(const CLinkListener&) = delete;
    CLinkListener& operator=(const CLinkListener&) = delete;

    // Binds address:port (port 0: one the system picks). 0, or -1 with a
    // reason.
    int Listen(const std::string& address, int port, std::string& error);
    int Port() const { return m_nPort; }
    int Fd() const { return m_fd; }
    // A connected stream's descriptor, or -1 when none is waiting; `peer`
    // names it.
    int Accept(std::string& peer);
    void Close();

private:
    int m_fd = -1;
    int m_nPort = 0;
};
