#include "platform/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string SizeText(std::size_t bytes) {
    if (bytes >= (std::size_t{1} << 20) && bytes % (std::size_t{1} << 20) == 0) {
        return std::to_string(bytes >> 20) + " MB";
    }
    return std::to_string(bytes) + " bytes";
}

}  // namespace

int ReadWholeFile(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out,
                  std::string& reason) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        reason = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    if (S_ISDIR(st.st_mode)) {
        reason = "is a folder";
        ::close(fd);
        return -1;
    }
    // Blocking reads from here on: the open was the only step that could
    // wait for someone else.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        reason = "larger than " + SizeText(maxBytes);
        ::close(fd);
        return -1;
    }
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            reason = std::strerror(errno);
            out.clear();
            ::close(fd);
            return -1;
        }
        if (got == 0) break;
        if (out.size() + static_cast<std::size_t>(got) > maxBytes) {
            reason = "larger than " + SizeText(maxBytes);
            out.clear();
            out.shrink_to_fit();
            ::close(fd);
            return -1;
        }
        out.insert(out.end(), chunk, chunk + got);
    }
    ::close(fd);
    return 0;
}
