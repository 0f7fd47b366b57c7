#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/InputFile.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(OpenInputFile, OnlyARegularFileIsOpenedAndNothingBlocks) {
    CTempFolder dir;
    std::ofstream(dir.Path("list.txt")) << "AB";
    ASSERT_EQ(mkfifo(dir.Path("pipe").c_str(), 0600), 0);
    struct Case {
        std::string path;
        const char* reason;  // nullptr: opened
    };
    const Case cases[] = {
        {dir.Path("list.txt"), nullptr},
        {dir.Path("pipe"), "not a regular file"},
        {dir.Folder(), "not a regular file"},
        {"/dev/null", "not a regular file"},
        {dir.Path("missing"), "No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string reason;
        std::FILE* file = OpenInputFile(c.path, &reason);
        if (c.reason == nullptr) {
            ASSERT_NE(file, nullptr) << reason;
            char text[3] = {};
            EXPECT_EQ(std::fread(text, 1, 2, file), 2u);
            EXPECT_STREQ(text, "AB");
            std::fclose(file);
        } else {
            EXPECT_EQ(file, nullptr);
            EXPECT_EQ(reason, c.reason);
        }
    }
}

}  // namespace
