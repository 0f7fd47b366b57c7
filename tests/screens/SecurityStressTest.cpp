// The alarm rule on a reader thread at full speed against the security
// screen's buttons, saves and loads on the GUI thread. Run under the tsan
// preset this shows the lists, counts and changed flags are only used under
// the store lock; in any build it checks that the lists, their indexes and the
// list boxes stay consistent throughout.

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "res/Resource.h"
#include "screens/Security.h"
#include "tests/screens/ScreenTestUtil.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/PacketBuilders.h"
#include "ui/ListBox.h"

namespace {

namespace fs = std::filesystem;

class SecurityStressTest : public ScreenTest {
protected:
    void TearDown() override {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
        ScreenTest::TearDown();
    }
    fs::path dir;
};

void ExpectBoxShowsList(const CListBox& box, const char (*slots)[32], int count, uint8_t changed) {
    if (changed) return;
    ASSERT_EQ(box.GetCount(), count);
    std::string line;
    for (int i = 0; i < count; ++i) {
        box.GetText(i, line);
        ASSERT_EQ(line, slots[i]);
    }
}

// Every used slot is found by its list's lookup, and a painted box shows its
// list.
void CheckConsistent(const CSurveyData& s, const CSecurity& view) {
    ASSERT_GE(s.m_nAuthorizedCount, 0);
    ASSERT_LE(s.m_nAuthorizedCount, 999);
    ASSERT_GE(s.m_nUnauthorizedCount, 0);
    ASSERT_LE(s.m_nUnauthorizedCount, 999);
    for (int i = 0; i < s.m_nAuthorizedCount; ++i)
        ASSERT_TRUE(s.IsAuthorized(s.m_aszAuthorized[i]));
    for (int i = 0; i < s.m_nUnauthorizedCount; ++i)
        ASSERT_TRUE(s.IsUnauthorized(s.m_aszUnauthorized[i]));
    // A list whose changed flag is clear was painted into its box since its
    // last change, or changed by a button that edited the box alike.
    ExpectBoxShowsList(view.AuthorizedBox(), s.m_aszAuthorized, s.m_nAuthorizedCount,
                       s.m_bAuthorizedChanged);
    ExpectBoxShowsList(view.UnauthorizedBox(), s.m_aszUnauthorized, s.m_nUnauthorizedCount,
                       s.m_bUnauthorizedChanged);
}

TEST_F(SecurityStressTest, AlarmOnTheReaderThreadAgainstEveryButton) {
    static int n = 0;
    dir = fs::temp_directory_path() /
          ("orvalis-security-stress-" + std::to_string(getpid()) + "-" + std::to_string(++n));
    fs::create_directories(dir);
    CSecurity* view = Open<CSecurity>();
    view->SetDataDir(dir.string());
    view->SetMessageFn([](std::string_view) {});
    CMessageRecorder poster;
    {
        const auto lock = store->Lock();
        store->m_hNotifyWnd = &poster;
        store->m_bSecurityEnabled = 1;
    }

    // Beacons of 3000 access points on the store's channel: more than a list
    // holds, so the unauthorized list fills up and CLR makes room again.
    std::vector<testpkt::Bytes> beacons;
    for (uint32_t i = 0; i < 3000; ++i) {
        beacons.push_back(testpkt::WithCheck(
            9, testpkt::CaptureData(testpkt::Beacon(testpkt::MacOf(i), "ap", 1))));
    }
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> dispatched{0};
    std::thread reader([&] {
        std::mt19937 rng(3);
        while (!stop.load(std::memory_order_acquire)) {
            const auto& p = beacons[rng() % beacons.size()];
            store->DispatchPacket(9, p.data(), static_cast<uint32_t>(p.size()));
            dispatched.fetch_add(1, std::memory_order_relaxed);
        }
    });

    std::mt19937 rng(5);
    const unsigned kButtons[] = {IDC_ADD,
                                 IDC_DEL,
                                 IDC_AUTH,
                                 IDC_CLEAR_AUTHORIZED,
                                 IDC_SAVE,
                                 IDC_RETRIEVE,
                                 IDC_CLEAR_UNAUTHORIZED,
                                 IDC_GENERATE};
    int operations = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline || operations < 400) {
        const unsigned pick = rng() % 20;
        if (pick < 8) {
            const unsigned id = kButtons[pick];
            if (id == IDC_ADD) {
                view->SetControlText(IDC_MAC_ENTRY, testpkt::MacText(testpkt::MacOf(rng() % 3000)));
            } else if (id == IDC_DEL && view->AuthorizedBox().GetCount() > 0) {
                view->AuthorizedBox().SetCurSel(
                    static_cast<int>(rng() % view->AuthorizedBox().GetCount()));
            } else if (id == IDC_AUTH && view->UnauthorizedBox().GetCount() > 0) {
                view->UnauthorizedBox().SetCurSel(
                    static_cast<int>(rng() % view->UnauthorizedBox().GetCount()));
            } else if ((id == IDC_CLEAR_AUTHORIZED || id == IDC_CLEAR_UNAUTHORIZED ||
                        id == IDC_GENERATE) &&
                       rng() % 8 != 0) {
                continue;  // rarer, so that the lists grow between them
            }
            ASSERT_EQ(view->ClickControl(id), 0);
        } else if (pick < 16) {
            Paint(view);
        } else {
            const auto lock = store->Lock();
            CheckConsistent(*store, *view);
        }
        ++operations;
    }
    stop.store(true, std::memory_order_release);
    reader.join();

    Paint(view);
    const auto lock = store->Lock();
    CheckConsistent(*store, *view);
    std::printf("dispatched %llu beacons against %d operations\n",
                static_cast<unsigned long long>(dispatched.load()), operations);
    EXPECT_GT(dispatched.load(), 10000u);
    EXPECT_GT(poster.Count(UM_UNAUTHORIZED_AP), 0);
}

}  // namespace
