// The list files: their exact text, lenient reading of hand-edited and
// damaged files, files that are not list files at all, replacement on write,
// and the form typed entries are kept in.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "data/SurveyData.h"
#include "outputs/ApListFile.h"

namespace {

namespace fs = std::filesystem;

class ListFolder : public ::testing::Test {
protected:
    void SetUp() override {
        static int n = 0;
        dir = fs::temp_directory_path() /
              ("orvalis-lists-" + std::to_string(getpid()) + "-" + std::to_string(++n));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Path(const char* name) const { return (dir / name).string(); }
    void Write(const std::string& path, const std::string& text) const {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path dir;
};

std::unique_ptr<ApListContents> ListOf(const std::vector<std::string>& entries) {
    auto list = std::make_unique<ApListContents>();
    for (const std::string& e : entries) {
        std::snprintf(list->aszEntries[list->nCount++], 32, "%s", e.c_str());
    }
    return list;
}

std::vector<std::string> EntriesOf(const ApListContents& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.nCount; ++i) out.emplace_back(list.aszEntries[i]);
    return out;
}

std::vector<std::string> Parsed(const std::string& text) {
    auto list = std::make_unique<ApListContents>();
    EXPECT_EQ(ParseApList(text, true, *list), 0);
    return EntriesOf(*list);
}

const std::string kA = "00-1A-2B-3C-4D-5E";
const std::string kB = "00-11-22-33-44-55";

TEST(ApListFormat, CountLineThenOneLinePerEntryEachEndingInLf) {
    EXPECT_EQ(FormatApList(*ListOf({})), "0\n");
    EXPECT_EQ(FormatApList(*ListOf({kA, kB})), "2\n" + kA + "\n" + kB + "\n");
    // Whatever an entry holds is written as it is, an empty one included.
    EXPECT_EQ(FormatApList(*ListOf({"", "caf\xE9"})), "2\n\ncaf\xE9\n");
}

TEST(ApListFormat, HandEditedAndDamagedFilesAreReadLeniently) {
    using V = std::vector<std::string>;
    const std::string longLine(5000, 'x');
    struct Case {
        const char* what;
        std::string text;
        V entries;
    } cases[] = {
        {"as written", "2\n" + kA + "\n" + kB + "\n", {kA, kB}},
        {"CR LF line ends", "2\r\n" + kA + "\r\n" + kB + "\r\n", {kA, kB}},
        {"no line end after the last entry", "2\n" + kA + "\n" + kB, {kA, kB}},
        {"fewer lines than announced", "5\n" + kA + "\n", {kA}},
        {"more lines than announced", "1\n" + kA + "\n" + kB + "\n", {kA}},
        {"negative count", "-3\n" + kA + "\n", {}},
        {"count that is not a number", "many\n" + kA + "\n", {}},
        {"count with blanks and sign", "  +2 entries\n" + kA + "\n" + kB + "\n", {kA, kB}},
        {"empty file", "", {}},
        {"entry cut at 17 characters", "1\n" + kA + "-77-88\n", {kA}},
        {"long line is one entry",
         "2\n" + longLine + "\n" + kB + "\n",
         {longLine.substr(0, 17), kB}},
        {"empty lines are empty entries", "3\n\n\n" + kB + "\n", {"", "", kB}},
        {"NUL ends an entry", std::string("1\nAB\0CD\n", 8), {"AB"}},
        {"count overflowing any integer", "99999999999999999999999\n" + kA + "\n", {kA}},
    };
    for (const Case& c : cases) EXPECT_EQ(Parsed(c.text), c.entries) << c.what;
}

TEST(ApListFormat, CountIsHeldTo999AndAPartialFileMustEndItsList) {
    std::string text = "1500\n";
    for (int i = 0; i < 1500; ++i) text += kA + "\n";
    auto list = std::make_unique<ApListContents>();
    ASSERT_EQ(ParseApList(text, true, *list), 0);
    EXPECT_EQ(list->nCount, 999);

    // The first part of a longer file: enough when the list ends inside it.
    EXPECT_EQ(ParseApList("1\n" + kA + "\n garbage", false, *list), 0);
    EXPECT_EQ(EntriesOf(*list), std::vector<std::string>{kA});
    auto untouched = std::make_unique<ApListContents>(*list);
    EXPECT_EQ(ParseApList("2\n" + kA + "\n" + kB, false, *list), -1);
    EXPECT_EQ(ParseApList("2", false, *list), -1);
    EXPECT_EQ(EntriesOf(*list), EntriesOf(*untouched));
}

TEST_F(ListFolder, WriteThenReadGivesTheSameListAndReplacesTheOldFile) {
    const std::string path = Path(kAuthorizedListFile);
    Write(path, "old contents that are much longer than the new list\n");
    auto list = ListOf({kA, "", "typed text", kB});
    ASSERT_EQ(WriteApListFile(path, *list), 0);
    EXPECT_EQ(Read(path), "4\n" + kA + "\n\ntyped text\n" + kB + "\n");
    auto back = std::make_unique<ApListContents>();
    ASSERT_EQ(ReadApListFile(path, *back), 0);
    EXPECT_EQ(EntriesOf(*back), EntriesOf(*list));
    // Only the list file is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(ListFolder, WriteFailuresLeaveWhatWasThere) {
    auto list = ListOf({kA});
    EXPECT_EQ(WriteApListFile((dir / "no-such-folder" / "auth.lst").string(), *list), -1);
    // A folder of the file's name stays a folder.
    fs::create_directory(dir / "unauth.lst");
    EXPECT_EQ(WriteApListFile(Path("unauth.lst"), *list), -1);
    EXPECT_TRUE(fs::is_directory(dir / "unauth.lst"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(ListFolder, FilesThatAreNotListFilesAreRefusedQuickly) {
    auto list = ListOf({kB});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadApListFile(Path("missing.lst"), *list), -1);
    EXPECT_EQ(ReadApListFile(dir.string(), *list), -1);
    EXPECT_EQ(ReadApListFile("/dev/zero", *list), -1);
    ASSERT_EQ(::mkfifo(Path("fifo.lst").c_str(), 0600), 0);
    EXPECT_EQ(ReadApListFile(Path("fifo.lst"), *list), -1);

    // 100 MB without a line end: not a list file.
    const std::string huge = Path("huge.lst");
    {
        const int fd = ::open(huge.c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 100 << 20), 0);
        ::close(fd);
    }
    EXPECT_EQ(ReadApListFile(huge, *list), -2);
    EXPECT_EQ(EntriesOf(*list), std::vector<std::string>{kB});

    // 100 MB that start with a whole list: the list, the rest unread.
    const std::string tail = Path("tail.lst");
    Write(tail, "2\n" + kA + "\n" + kA + "\n");
    {
        const int fd = ::open(tail.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 100 << 20), 0);
        ::close(fd);
    }
    EXPECT_EQ(ReadApListFile(tail, *list), 0);
    EXPECT_EQ(EntriesOf(*list), (std::vector<std::string>{kA, kA}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(ListFolder, AnEntryThatEndsTheFileIsReadUpToTheCapAndNoFurther) {
    // One entry without a line end, filling the file: whole at the cap, one
    // byte longer the entry runs past what is read and the file is refused.
    struct Case {
        std::size_t size;
        int expected;
    };
    const Case cases[] = {{3, 0},
                          {kMaxListFileBytes - 1, 0},
                          {kMaxListFileBytes, 0},
                          {kMaxListFileBytes + 1, -2},
                          {kMaxListFileBytes + 4097, -2}};
    for (const Case& c : cases) {
        const std::string path = Path("cap.lst");
        Write(path, "1\n" + std::string(c.size - 2, 'x'));
        auto list = ListOf({kB});
        EXPECT_EQ(ReadApListFile(path, *list), c.expected) << c.size;
        const std::vector<std::string> expected =
            c.expected == 0
                ? std::vector<std::string>{std::string(std::min<std::size_t>(c.size - 2, 17), 'x')}
                : std::vector<std::string>{kB};
        EXPECT_EQ(EntriesOf(*list), expected) << c.size;
    }
}

TEST(ApListStore, StoringReplacesTheListAndCopyingTakesOnlyUsedSlots) {
    auto data = std::make_unique<CSurveyData>();
    data->AddAuthorized("old-1");
    data->AddAuthorized("old-2");
    data->ClearAuthorized();  // "old-2" stays behind in slot 1
    data->AddAuthorized("old-1");
    data->m_bAuthorizedChanged = 0;
    auto copy = std::make_unique<ApListContents>();
    CopyApList(*data, ApList::Authorized, *copy);
    EXPECT_EQ(EntriesOf(*copy), std::vector<std::string>{"old-1"});
    EXPECT_EQ(copy->aszEntries[1][0], '\0');

    StoreApList(*data, ApList::Authorized, *ListOf({kA, kB}));
    EXPECT_EQ(data->m_nAuthorizedCount, 2);
    EXPECT_EQ(data->m_bAuthorizedChanged, 1);
    EXPECT_TRUE(data->IsAuthorized(kB.c_str()));
    EXPECT_FALSE(data->IsAuthorized("old-1"));
    EXPECT_EQ(data->m_nUnauthorizedCount, 0);
    StoreApList(*data, ApList::Unauthorized, *ListOf({kA}));
    EXPECT_TRUE(data->IsUnauthorized(kA.c_str()));
    EXPECT_EQ(ApListPath("/d", ApList::Unauthorized), "/d/unauth.lst");
    EXPECT_EQ(ApListPath("/d/", ApList::Authorized), "/d/auth.lst");
}

TEST(ApListStore, EachListCopiesFromItsOwnSlotsAndCount) {
    // The two lists hold different entries and counts, so a copy that read
    // the other list's slots or count shows.
    auto data = std::make_unique<CSurveyData>();
    const CStoreLock lock(*data);
    data->AddAuthorized(kA.c_str());
    data->AddAuthorized(kB.c_str());
    data->AddUnauthorized("un-1");
    const struct {
        ApList which;
        std::vector<std::string> expected;
    } cases[] = {
        {ApList::Authorized, {kA, kB}},
        {ApList::Unauthorized, {"un-1"}},
    };
    for (const auto& c : cases) {
        auto copy = std::make_unique<ApListContents>();
        copy->aszEntries[5][0] = 'x';  // left over from an earlier use
        CopyApList(*data, c.which, *copy);
        EXPECT_EQ(EntriesOf(*copy), c.expected);
        EXPECT_EQ(copy->aszEntries[5][0], '\0');
    }
    // A count beyond the slots is held to the capacity, not copied past it.
    data->m_nUnauthorizedCount = kApListSlots + 5;
    auto copy = std::make_unique<ApListContents>();
    CopyApList(*data, ApList::Unauthorized, *copy);
    EXPECT_EQ(copy->nCount, kApListCapacity);
    data->m_nAuthorizedCount = -3;
    CopyApList(*data, ApList::Authorized, *copy);
    EXPECT_EQ(copy->nCount, 0);
}

TEST(ApListEntry, MacAddressesInOtherFormsTakeTheListForm) {
    const struct {
        const char* typed;
        const char* kept;
    } cases[] = {
        {"00:1a:2b:3c:4d:5e", "00-1A-2B-3C-4D-5E"},
        {"00-1a-2b-3c-4d-5e", "00-1A-2B-3C-4D-5E"},
        {"001a.2b3c.4d5e", "00-1A-2B-3C-4D-5E"},
        {"001A2B3C4D5E", "00-1A-2B-3C-4D-5E"},
        {"  00:1A:2B:3C:4D:5E\t", "00-1A-2B-3C-4D-5E"},
        {"00-1A-2B-3C-4D-5E", "00-1A-2B-3C-4D-5E"},
        // Anything else is kept exactly as typed.
        {"00:1a-2b:3c:4d:5e", "00:1a-2b:3c:4d:5e"},
        {"00:1a:2b:3c:4d:5g", "00:1a:2b:3c:4d:5g"},
        {"lobby printer", "lobby printer"},
        {"", ""},
        {" 12 ", " 12 "},
        {"caf\xE9", "caf\xE9"},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalizeMacEntry(c.typed), c.kept) << c.typed;
}

}  // namespace
