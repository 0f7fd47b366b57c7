#include <gtest/gtest.h>

#include <string>

#include "platform/Latin1.h"

namespace {

TEST(ToValidUtf8, KeepsWellFormedSequencesAndTakesStrayBytesAsLatin1) {
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"ascii", "ovlog.ov", "ovlog.ov"},
        {"two-byte kept", "caf\xC3\xA9.ov", "caf\xC3\xA9.ov"},
        {"four-byte kept", "\xF0\x9F\x93\xA1", "\xF0\x9F\x93\xA1"},
        {"lone Latin-1 byte", "caf\xE9.ov", "caf\xC3\xA9.ov"},
        {"stray continuation", "a\x80z", "a\xC2\x80z"},
        {"cut sequence at the end", "a\xE2\x82", "a\xC3\xA2\xC2\x82"},
        {"overlong slash", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"overlong three-byte", "\xE0\x80\xAF", "\xC3\xA0\xC2\x80\xC2\xAF"},
        {"surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
        {"0xFF", "\xFF", "\xC3\xBF"},
        {"nul kept", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string repaired = ToValidUtf8(c.in);
        EXPECT_EQ(repaired, c.out);
        // Repairing again changes nothing: the output is well formed.
        EXPECT_EQ(ToValidUtf8(repaired), repaired);
    }
}

}  // namespace
