#pragma once

#include <cstddef>
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

// Length of the well-formed UTF-8 sequence at the start of `text` (1 to 4),
// or 0 when it does not start with one (a stray continuation byte, an
// overlong form, a surrogate, a code point above U+10FFFF, a cut sequence).
inline size_t Utf8SequenceLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto b0 = static_cast<unsigned char>(text[0]);
    if (b0 < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;   // overlong
        if (b0 == 0xED) high = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;   // overlong
        if (b0 == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

// Texts that are UTF-8 as a rule but may hold any bytes (file names): every
// well-formed sequence is kept and every other byte is taken as Latin-1, so
// the result is valid UTF-8 and a name that was valid stays as it was.
inline std::string ToValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const size_t length = Utf8SequenceLength(text);
        if (length == 0) {
            AppendLatin1AsUtf8(out, static_cast<unsigned char>(text[0]));
            text.remove_prefix(1);
        } else {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return out;
}
