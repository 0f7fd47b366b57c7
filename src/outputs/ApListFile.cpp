#include "outputs/ApListFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/Wire.h"

namespace {

// A count line is read from its first 80 characters.
constexpr std::size_t kCountLineRead = 80;
// The first read of a file whose size the system does not tell.
constexpr std::size_t kFirstReadBytes = 4096;

// The next line of `text` from `pos`, without its line end; false at the end
// of the text, or when the line runs past the end of a text that is only the
// first part of its file.
bool NextLine(std::string_view text, bool bWholeFile, std::size_t& pos, std::string_view& line,
              bool& bIncomplete) {
    if (pos >= text.size()) {
        bIncomplete = !bWholeFile;
        return false;
    }
    const std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) {
        if (!bWholeFile) {
            bIncomplete = true;
            return false;
        }
        line = text.substr(pos);
        pos = text.size();
    } else {
        line = text.substr(pos, end - pos);
        pos = end + 1;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

// The decimal value at the start of a count line (blanks and a sign allowed),
// held to 0 .. kApListCapacity; 0 when there is no number.
int ReadCount(std::string_view line) {
    line = line.substr(0, kCountLineRead);
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '-' || line[i] == '+')) negative = line[i++] == '-';
    long value = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        value = std::min<long>(value * 10 + (line[i] - '0'), kApListCapacity);
    }
    return negative ? 0 : static_cast<int>(value);
}

}  // namespace

std::string FormatApList(const ApListContents& list) {
    const int count = std::clamp(list.nCount, 0, kApListCapacity);
    std::string text = std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i) {
        const char* entry = list.aszEntries[i];
        text.append(entry, strnlen(entry, sizeof list.aszEntries[i]));
        text += '\n';
    }
    return text;
}

int ParseApList(std::string_view text, bool bWholeFile, ApListContents& out) {
    std::size_t pos = 0;
    std::string_view line;
    bool bIncomplete = false;
    int announced = 0;
    if (NextLine(text, bWholeFile, pos, line, bIncomplete)) announced = ReadCount(line);
    if (bIncomplete) return -1;

    ApListContents read;
    while (read.nCount < announced && NextLine(text, bWholeFile, pos, line, bIncomplete)) {
        char* entry = read.aszEntries[read.nCount++];
        // Text ends at a NUL, as it does in the store.
        const std::size_t n =
            strnlen(line.data(), std::min<std::size_t>(line.size(), kMacTextLength));
        std::memcpy(entry, line.data(), n);
    }
    if (bIncomplete) return -1;
    out = read;
    return 0;
}

int ReadApListFile(const std::string& path, ApListContents& out) {
    // Non-blocking, so that a FIFO of that name cannot hold the program up;
    // only a regular file is a list file's.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    // The buffer starts at the size the file has (plus the byte that tells
    // it ended) and grows only for a file that is still growing, never past
    // one byte beyond the cap: that byte tells a file that goes on past it.
    constexpr std::size_t kLimit = kMaxListFileBytes + 1;
    const std::size_t expected =
        st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : kFirstReadBytes;
    std::string text(std::min(expected, kLimit), '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == text.size()) {
            if (text.size() >= kLimit) break;
            text.resize(std::min(text.size() * 2, kLimit));
        }
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    const bool bWholeFile = got <= kMaxListFileBytes;
    text.resize(std::min(got, kMaxListFileBytes));
    return ParseApList(text, bWholeFile, out) == 0 ? 0 : -2;
}

int WriteApListFile(const std::string& path, const ApListContents& list) {
    const std::string text = FormatApList(list);
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return -1;
    bool ok = ::fchmod(fd, 0644) == 0;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        return -1;
    }
    return 0;
}

std::string ApListPath(const std::string& dataDir, ApList which) {
    const char* name = which == ApList::Authorized ? kAuthorizedListFile : kUnauthorizedListFile;
    if (dataDir.empty()) return name;
    return dataDir.back() == '/' ? dataDir + name : dataDir + "/" + name;
}

void CopyApList(const CSurveyData& data, ApList which, ApListContents& out) {
    if (which == ApList::Authorized) {
        out.nCount = std::clamp(data.m_nAuthorizedCount, 0, kApListCapacity);
        std::memcpy(out.aszEntries, data.m_aszAuthorized, sizeof out.aszEntries);
    } else {
        out.nCount = std::clamp(data.m_nUnauthorizedCount, 0, kApListCapacity);
        std::memcpy(out.aszEntries, data.m_aszUnauthorized, sizeof out.aszEntries);
    }
    // Slots past the count may hold old text; they are not part of the list.
    std::memset(out.aszEntries[out.nCount], 0,
                static_cast<std::size_t>(kApListCapacity - out.nCount) * sizeof out.aszEntries[0]);
}

void StoreApList(CSurveyData& data, ApList which, const ApListContents& list) {
    const int count = std::clamp(list.nCount, 0, kApListCapacity);
    if (which == ApList::Authorized) {
        data.ClearAuthorized();
        for (int i = 0; i < count; ++i) data.AddAuthorized(list.aszEntries[i]);
    } else {
        data.ClearUnauthorized();
        for (int i = 0; i < count; ++i) data.AddUnauthorized(list.aszEntries[i]);
    }
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The 12 hex digits of a MAC address written as six pairs split by one kind
// of separator (':' or '-'), three groups of four split by '.', or twelve
// digits together; false for any other text.
bool ReadMacDigits(std::string_view s, int digits[12]) {
    auto readDigits = [&](std::size_t pos, int count, int first) {
        for (int k = 0; k < count; ++k) {
            const int v = HexValue(s[pos + static_cast<std::size_t>(k)]);
            if (v < 0) return false;
            digits[first + k] = v;
        }
        return true;
    };
    if (s.size() == 12) return readDigits(0, 12, 0);
    if (s.size() == 17) {
        const char sep = s[2];
        if (sep != ':' && sep != '-') return false;
        for (int g = 0; g < 6; ++g) {
            const std::size_t pos = static_cast<std::size_t>(g) * 3;
            if (g > 0 && s[pos - 1] != sep) return false;
            if (!readDigits(pos, 2, 2 * g)) return false;
        }
        return true;
    }
    if (s.size() == 14) {
        for (int g = 0; g < 3; ++g) {
            const std::size_t pos = static_cast<std::size_t>(g) * 5;
            if (g > 0 && s[pos - 1] != '.') return false;
            if (!readDigits(pos, 4, 4 * g)) return false;
        }
        return true;
    }
    return false;
}

}  // namespace

std::string NormalizeMacEntry(std::string_view typed) {
    std::string_view s = typed;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    int digits[12];
    if (!ReadMacDigits(s, digits)) return std::string(typed);
    static const char kHex[] = "0123456789ABCDEF";
    std::string mac;
    for (int i = 0; i < 12; ++i) {
        if (i > 0 && i % 2 == 0) mac += '-';
        mac += kHex[digits[i]];
    }
    return mac;
}
