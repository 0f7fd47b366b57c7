// The security screen: each button's effect on the store and on the list
// boxes, the headings, the paint's refill, saving and loading the list files,
// and bad input (indexes at and past the count, odd entries, files that are
// not list files).

#include <fcntl.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "outputs/ApListFile.h"
#include "res/Resource.h"
#include "screens/Security.h"
#include "tests/screens/ScreenTestUtil.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const kA = "00-1A-2B-3C-4D-5E";
const char* const kB = "00-11-22-33-44-55";
const char* const kC = "02-00-00-00-00-07";

std::vector<std::string> Lines(const CListBox& box) {
    std::vector<std::string> out;
    std::string line;
    for (int i = 0; i < box.GetCount(); ++i) {
        box.GetText(i, line);
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> Slots(const char (*slots)[32], int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.emplace_back(slots[i]);
    return out;
}

class SecurityTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        static int n = 0;
        dir = fs::temp_directory_path() /
              ("orvalis-security-" + std::to_string(getpid()) + "-" + std::to_string(++n));
        fs::create_directories(dir);
        view = OpenSecurity();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
        ScreenTest::TearDown();
    }
    CSecurity* OpenSecurity() {
        CSecurity* v = Open<CSecurity>();
        v->SetDataDir(dir.string());
        v->SetMessageFn([this](std::string_view text) { messages.emplace_back(text); });
        return v;
    }
    std::vector<std::string> Authorized() const {
        return Slots(store->m_aszAuthorized, store->m_nAuthorizedCount);
    }
    std::vector<std::string> Unauthorized() const {
        return Slots(store->m_aszUnauthorized, store->m_nUnauthorizedCount);
    }
    void Add(const std::string& typed) {
        view->SetControlText(IDC_MAC_ENTRY, typed);
        ASSERT_EQ(view->ClickControl(IDC_ADD), 0);
    }
    void Click(unsigned id) { ASSERT_EQ(view->ClickControl(id), 0); }
    static std::string ReadText(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir;
    CSecurity* view = nullptr;
    std::vector<std::string> messages;
};

TEST_F(SecurityTest, HeadingsCountEachListInItsColourAboveItsBox) {
    const struct {
        int authorized;
        int unauthorized;
        const char* authText;
        const char* unauthText;
    } cases[] = {
        {0, 0, "AUTHORIZED (0 items)", "UNAUTHORIZED (0 items)"},
        {1, 2, "AUTHORIZED (1 item)", "UNAUTHORIZED (2 items)"},
        {2, 1, "AUTHORIZED (2 items)", "UNAUTHORIZED (1 item)"},
        {999, 999, "AUTHORIZED (999 items)", "UNAUTHORIZED (999 items)"},
    };
    char mac[32];
    for (const auto& c : cases) {
        store->ClearAuthorized();
        store->ClearUnauthorized();
        for (int i = 0; i < c.authorized; ++i) {
            std::snprintf(mac, sizeof mac, "00-00-00-00-%02X-%02X", i >> 8, i & 0xFF);
            store->AddAuthorized(mac);
        }
        for (int i = 0; i < c.unauthorized; ++i) {
            std::snprintf(mac, sizeof mac, "02-00-00-00-%02X-%02X", i >> 8, i & 0xFF);
            store->AddUnauthorized(mac);
        }
        const CCanvas& shot = Paint(view);
        CTextRecord auth, unauth;
        ASSERT_TRUE(HasText(view, c.authText, &auth)) << c.authText;
        ASSERT_TRUE(HasText(view, c.unauthText, &unauth)) << c.unauthText;
        EXPECT_EQ(auth.textColor, RGB(0, 255, 0));
        EXPECT_EQ(unauth.textColor, RGB(255, 0, 0));
        EXPECT_EQ(view->AuthorizedBox().GetCount(), c.authorized);
        EXPECT_EQ(view->UnauthorizedBox().GetCount(), c.unauthorized);

        // Each heading shows: its band lies between the controls above its
        // list box and the box, and its letters are painted there.
        const CRect aBox = view->AuthorizedBox().GetWindowRect();
        const CRect uBox = view->UnauthorizedBox().GetWindowRect();
        EXPECT_EQ(auth.rect.bottom, aBox.top);
        EXPECT_GE(auth.rect.top, view->MacEntry().GetWindowRect().bottom);
        EXPECT_EQ(unauth.rect.bottom, uBox.top);
        EXPECT_GE(unauth.rect.top, aBox.bottom);
        int green = 0, red = 0;
        for (int y = auth.rect.top; y < auth.rect.bottom; ++y)
            for (int x = auth.rect.left; x < auth.rect.right; ++x)
                green += shot.GetPixel(x, y) == RGB(0, 255, 0);
        for (int y = unauth.rect.top; y < unauth.rect.bottom; ++y)
            for (int x = unauth.rect.left; x < unauth.rect.right; ++x)
                red += shot.GetPixel(x, y) == RGB(255, 0, 0);
        EXPECT_GT(green, 20);
        EXPECT_GT(red, 20);
        EXPECT_EQ(shot.GetPixel(2, 2), RGB(0, 0, 0));
    }
}

TEST_F(SecurityTest, AddKeepsTheListFormAndEmptiesTheEntry) {
    Paint(view);
    Add("00:1a:2b:3c:4d:5e");
    Add("lobby printer");
    Add("");
    EXPECT_THAT(Authorized(), ElementsAre(kA, "lobby printer", ""));
    EXPECT_THAT(Lines(view->AuthorizedBox()), ElementsAre(kA, "lobby printer", ""));
    EXPECT_EQ(view->GetDlgItemText(IDC_MAC_ENTRY), "");
    EXPECT_EQ(view->m_strMacEntry, "");
    EXPECT_TRUE(view->NeedsPaint());
    // The alarm compares with what was kept.
    EXPECT_TRUE(store->IsAuthorized(kA));
    EXPECT_THAT(Unauthorized(), IsEmpty());
}

TEST_F(SecurityTest, OddEntriesAreCutToSeventeenBytes) {
    Paint(view);
    const std::string longEntry(300, 'q');
    const std::string accented = "Caf\xC3\xA9-\xE2\x82\xAC-Z\xC3\xBCrich-lobby";
    Add(longEntry);
    Add(accented);
    EXPECT_THAT(Authorized(), ElementsAre(std::string(17, 'q'), accented.substr(0, 17)));
    EXPECT_THAT(Lines(view->AuthorizedBox()),
                ElementsAre(std::string(17, 'q'), accented.substr(0, 17)));
    // Painted and refilled without trouble, bytes shown as they are.
    Paint(view);
    EXPECT_EQ(Lines(view->AuthorizedBox()).size(), 2u);
}

TEST_F(SecurityTest, AFullListTakesNoAdditionInTheStoreOrTheBox) {
    char mac[32];
    for (int i = 0; i < 999; ++i) {
        std::snprintf(mac, sizeof mac, "00-00-00-00-%02X-%02X", i >> 8, i & 0xFF);
        store->AddAuthorized(mac);
    }
    Paint(view);
    Add(kA);
    EXPECT_EQ(store->m_nAuthorizedCount, 999);
    EXPECT_FALSE(store->IsAuthorized(kA));
    EXPECT_EQ(view->AuthorizedBox().GetCount(), 999);
}

TEST_F(SecurityTest, DelRemovesTheSelectedLineOnly) {
    for (const char* mac : {kA, kB, kC}) store->AddAuthorized(mac);
    Paint(view);
    Click(IDC_DEL);  // nothing selected
    EXPECT_THAT(Authorized(), ElementsAre(kA, kB, kC));

    view->AuthorizedBox().SetCurSel(1);
    Click(IDC_DEL);
    EXPECT_THAT(Authorized(), ElementsAre(kA, kC));
    EXPECT_THAT(Lines(view->AuthorizedBox()), ElementsAre(kA, kC));
    EXPECT_FALSE(store->IsAuthorized(kB));

    // Selections at and past the end select nothing.
    for (int index : {2, 3, 999, 1000}) {
        EXPECT_EQ(view->AuthorizedBox().SetCurSel(index), CListBox::LB_ERR);
        Click(IDC_DEL);
        EXPECT_THAT(Authorized(), ElementsAre(kA, kC)) << index;
    }
}

TEST_F(SecurityTest, AStaleBoxNeverRemovesTheWrongEntry) {
    for (const char* mac : {kA, kB, kC}) store->AddAuthorized(mac);
    Paint(view);
    // The list changes behind the box before the next paint.
    store->RemoveAuthorized(0);
    view->AuthorizedBox().SetCurSel(1);  // the box still shows kB here
    Click(IDC_DEL);
    EXPECT_THAT(Authorized(), ElementsAre(kB, kC));
    EXPECT_THAT(Lines(view->AuthorizedBox()), ElementsAre(kB, kC));

    store->AddUnauthorized(kA);
    Paint(view);
    store->ClearUnauthorized();
    view->UnauthorizedBox().SetCurSel(0);
    Click(IDC_AUTH);
    EXPECT_THAT(Authorized(), ElementsAre(kB, kC));
    EXPECT_THAT(Lines(view->UnauthorizedBox()), IsEmpty());
}

TEST_F(SecurityTest, ClearButtonsEmptyTheirOwnListAndBox) {
    store->AddAuthorized(kA);
    store->AddUnauthorized(kB);
    Paint(view);
    Click(IDC_CLEAR_AUTHORIZED);
    EXPECT_THAT(Authorized(), IsEmpty());
    EXPECT_EQ(view->AuthorizedBox().GetCount(), 0);
    EXPECT_THAT(Unauthorized(), ElementsAre(kB));
    EXPECT_EQ(view->UnauthorizedBox().GetCount(), 1);
    Click(IDC_CLEAR_UNAUTHORIZED);
    EXPECT_THAT(Unauthorized(), IsEmpty());
    EXPECT_EQ(view->UnauthorizedBox().GetCount(), 0);
    Paint(view);
    EXPECT_TRUE(HasText(view, "UNAUTHORIZED (0 items)"));
}

TEST_F(SecurityTest, AuthMovesTheSelectedAccessPointToTheAuthorizedList) {
    store->AddAuthorized(kC);
    store->AddUnauthorized(kA);
    store->AddUnauthorized(kB);
    Paint(view);
    Click(IDC_AUTH);  // nothing selected
    EXPECT_THAT(Unauthorized(), ElementsAre(kA, kB));

    view->UnauthorizedBox().SetCurSel(1);
    Click(IDC_AUTH);
    EXPECT_THAT(Authorized(), ElementsAre(kC, kB));
    EXPECT_THAT(Unauthorized(), ElementsAre(kA));
    EXPECT_THAT(Lines(view->AuthorizedBox()), ElementsAre(kC, kB));
    EXPECT_THAT(Lines(view->UnauthorizedBox()), ElementsAre(kA));

    EXPECT_EQ(view->UnauthorizedBox().SetCurSel(1), CListBox::LB_ERR);
    Click(IDC_AUTH);
    EXPECT_THAT(Unauthorized(), ElementsAre(kA));
}

TEST_F(SecurityTest, AuthWithTheAuthorizedListFullKeepsTheEntryListed) {
    char mac[32];
    for (int i = 0; i < 999; ++i) {
        std::snprintf(mac, sizeof mac, "00-00-00-00-%02X-%02X", i >> 8, i & 0xFF);
        store->AddAuthorized(mac);
    }
    store->AddUnauthorized(kA);
    Paint(view);
    view->UnauthorizedBox().SetCurSel(0);
    Click(IDC_AUTH);
    EXPECT_THAT(Unauthorized(), ElementsAre(kA));
    EXPECT_EQ(store->m_nAuthorizedCount, 999);
}

TEST_F(SecurityTest, PaintRefillsABoxOnlyWhenItsListChanged) {
    Paint(view);
    EXPECT_EQ(store->m_bAuthorizedChanged, 0);
    EXPECT_EQ(store->m_bUnauthorizedChanged, 0);
    // The alarm appends on the reader thread; the box follows at the next paint.
    store->AddUnauthorized(kA);
    EXPECT_EQ(view->UnauthorizedBox().GetCount(), 0);
    Paint(view);
    EXPECT_THAT(Lines(view->UnauthorizedBox()), ElementsAre(kA));
    EXPECT_EQ(store->m_bUnauthorizedChanged, 0);
    // A selection survives paints that change nothing.
    view->UnauthorizedBox().SetCurSel(0);
    Paint(view);
    EXPECT_EQ(view->UnauthorizedBox().GetCurSel(), 0);
}

TEST_F(SecurityTest, GenerateAuthorizesEveryStationInTableOrder) {
    store->AddAuthorized(kC);
    store->AddUnauthorized(kB);
    Click(IDC_GENERATE);  // an empty table
    EXPECT_THAT(Authorized(), IsEmpty());
    EXPECT_EQ(*pings, 1);

    AddStation(kA, -40, 6);
    AddStation(kB, -80, 1, kStationOther);
    AddStation(kC, -60, 11);
    Click(IDC_GENERATE);
    EXPECT_THAT(Authorized(), ElementsAre(kB, kC, kA));  // weakest first, as the table
    EXPECT_THAT(Unauthorized(), ElementsAre(kB));
    EXPECT_EQ(*pings, 2);
    Paint(view);
    EXPECT_THAT(Lines(view->AuthorizedBox()), ElementsAre(kB, kC, kA));

    // More stations than the list holds: the first 999 of the table.
    AddStations(1200);
    Click(IDC_GENERATE);
    EXPECT_EQ(store->m_nAuthorizedCount, 999);
}

TEST_F(SecurityTest, SaveWritesBothFilesAndRetrieveReadsThemBack) {
    store->AddAuthorized(kA);
    store->AddAuthorized("lobby printer");
    store->AddUnauthorized(kB);
    Click(IDC_SAVE);
    EXPECT_THAT(messages, IsEmpty());
    EXPECT_EQ(ReadText(dir / "auth.lst"), std::string("2\n") + kA + "\nlobby printer\n");
    EXPECT_EQ(ReadText(dir / "unauth.lst"), std::string("1\n") + kB + "\n");

    // A new run: another store and screen on the same folder.
    store = std::make_unique<CCommandStore>();
    furniture = std::make_unique<CScreenFurniture>(*store);
    CSecurity* again = OpenSecurity();
    store->AddUnauthorized(kC);  // replaced by the file's list
    EXPECT_EQ(again->ClickControl(IDC_RETRIEVE), 0);
    EXPECT_THAT(Authorized(), ElementsAre(kA, "lobby printer"));
    EXPECT_THAT(Unauthorized(), ElementsAre(kB));
    EXPECT_TRUE(store->IsAuthorized(kA));
    Paint(again);
    EXPECT_THAT(Lines(again->AuthorizedBox()), ElementsAre(kA, "lobby printer"));
    EXPECT_THAT(Lines(again->UnauthorizedBox()), ElementsAre(kB));
    EXPECT_TRUE(HasText(again, "AUTHORIZED (2 items)"));
}

TEST_F(SecurityTest, RetrieveLeavesAListWhoseFileIsMissingOrNoListFile) {
    store->AddAuthorized(kA);
    store->AddUnauthorized(kB);
    Click(IDC_RETRIEVE);  // neither file exists
    EXPECT_THAT(Authorized(), ElementsAre(kA));
    EXPECT_THAT(Unauthorized(), ElementsAre(kB));
    EXPECT_THAT(messages, IsEmpty());

    // A folder, then a device, in the list file's place: silently unchanged.
    fs::create_directory(dir / "auth.lst");
    std::error_code ec;
    fs::create_symlink("/dev/zero", dir / "unauth.lst", ec);
    ASSERT_FALSE(ec);
    Click(IDC_RETRIEVE);
    EXPECT_THAT(Authorized(), ElementsAre(kA));
    EXPECT_THAT(Unauthorized(), ElementsAre(kB));
    EXPECT_THAT(messages, IsEmpty());

    // 100 MB with no line end: refused with a word, the other file still read.
    fs::remove(dir / "auth.lst");
    fs::remove(dir / "unauth.lst");
    const int fd = ::open((dir / "auth.lst").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 100 << 20), 0);
    ::close(fd);
    std::ofstream(dir / "unauth.lst") << "1500\n" << kC << "\r\n";
    Click(IDC_RETRIEVE);
    EXPECT_THAT(Authorized(), ElementsAre(kA));
    EXPECT_THAT(Unauthorized(), ElementsAre(kC));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              (dir / "auth.lst").string() + " is not a list file; the list was left as it was.");
}

TEST_F(SecurityTest, ASaveThatFailsNamesTheFileAndStillWritesTheOther) {
    store->AddAuthorized(kA);
    fs::create_directory(dir / "auth.lst");
    Click(IDC_SAVE);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "The list could not be saved to " + (dir / "auth.lst").string() + ".");
    EXPECT_EQ(ReadText(dir / "unauth.lst"), "0\n");
    EXPECT_TRUE(fs::is_directory(dir / "auth.lst"));

    messages.clear();
    view->SetDataDir((dir / "missing").string());
    Click(IDC_SAVE);
    EXPECT_EQ(messages.size(), 2u);
}

}  // namespace
