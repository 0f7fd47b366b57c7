#pragma once

#include <string>
#include <string_view>

// The program's 8-bit texts (SSIDs, serial numbers, markers) are Latin-1:
// every byte is a character, so any byte the board sent can be written out
// as valid UTF-8.
inline void AppendLatin1AsUtf8(std::string& out, unsigned char c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

inline std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) AppendLatin1AsUtf8(out, static_cast<unsigned char>(c));
    return out;
}
