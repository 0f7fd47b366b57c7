#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::FILE* OpenInputFile(const std::string& path, std::string* reason) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (reason != nullptr) *reason = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (reason != nullptr) *reason = "not a regular file";
        return nullptr;
    }
    // Reads of a regular file do not block anyway; stdio expects the
    // descriptor's usual mode.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        if (reason != nullptr) *reason = std::strerror(errno);
        ::close(fd);
    }
    return file;
}
