#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <ios>
#include <new>
#include <string>
#include <vector>

#include "platform/FileRead.h"
#include "platform/GuardedMain.h"
#include "tests/support/TempFolder.h"

// Every kind of path a person can name ends in the whole content or a
// reason, within the cap and without waiting for anyone.
TEST(ReadWholeFile, ReadsOrRefusesEveryKindOfPath) {
    const CTempFolder folder;
    const std::string dir = folder.Folder();
    std::ofstream(dir + "/ten", std::ios::binary) << "0123456789";
    std::ofstream(dir + "/empty", std::ios::binary);
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0600), 0);
    const struct {
        std::string path;
        std::size_t cap;
        int rc;
        std::size_t size;
        const char* reason;
    } cases[] = {
        {dir + "/ten", 10, 0, 10, ""},
        {dir + "/ten", 9, -1, 0, "larger than 9 bytes"},
        {dir + "/empty", 4, 0, 0, ""},
        {dir, 1 << 20, -1, 0, "is a folder"},
        {dir + "/missing", 10, -1, 0, "No such file or directory"},
        {"/dev/zero", std::size_t{1} << 20, -1, 0, "larger than 1 MB"},
        // No writer: read as empty at once rather than wait for one.
        {dir + "/fifo", 10, 0, 0, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes = {1, 2, 3};
        std::string reason;
        EXPECT_EQ(ReadWholeFile(c.path, c.cap, bytes, reason), c.rc) << c.path;
        EXPECT_EQ(bytes.size(), c.size) << c.path;
        if (c.rc < 0) {
            EXPECT_EQ(reason, c.reason) << c.path;
        }
    }
}

TEST(GuardedMain, AnEscapedExceptionBecomesTheInternalFaultCode) {
    EXPECT_EQ(RunGuardedMain("t", [] { return 2; }), 2);
    EXPECT_EQ(RunGuardedMain("t", []() -> int { throw std::ios_base::failure("read"); }),
              kExitInternalFault);
    EXPECT_EQ(RunGuardedMain("t", []() -> int { throw std::bad_alloc(); }), kExitInternalFault);
    EXPECT_EQ(RunGuardedMain("t", []() -> int { throw 7; }), kExitInternalFault);
}
