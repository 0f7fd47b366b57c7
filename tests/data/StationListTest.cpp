#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/StationList.h"

namespace {

StationEntry* Add(CStationList& list, const std::string& mac, int16_t rssi, uint16_t channel = 1) {
    StationEntry* entry = nullptr;
    EXPECT_EQ(list.Allocate(&entry), 0);
    std::snprintf(entry->szMac, sizeof(entry->szMac), "%s", mac.c_str());
    entry->nRssi = rssi;
    entry->nChannel = channel;
    EXPECT_EQ(list.Insert(entry), 0);
    return entry;
}

// The MAC texts in list order, walked with GetAt(1) and Next until -2.
std::vector<std::string> Walk(const CStationList& list) {
    std::vector<std::string> macs;
    StationEntry* entry = nullptr;
    int result = list.GetAt(1, &entry);
    while (result == 0) {
        macs.emplace_back(entry->szMac);
        result = list.Next(entry, &entry);
    }
    EXPECT_EQ(result, -2);
    return macs;
}

std::string MacOf(int n) {
    char text[32];
    std::snprintf(text, sizeof(text), "02-00-00-00-%02X-%02X", (n >> 8) & 0xFF, n & 0xFF);
    return text;
}

using Order = std::vector<std::string>;

}  // namespace

TEST(StationList, InsertsInRssiOrderAsOfEachInsertion) {
    CStationList list;
    StationEntry* a = Add(list, "A", -70);
    Add(list, "B", -50);
    Add(list, "C", -70);  // equal RSSI: after the older entry
    EXPECT_EQ(Walk(list), (Order{"A", "C", "B"}));
    Add(list, "D", -90);
    Add(list, "E", -20);
    EXPECT_EQ(Walk(list), (Order{"D", "A", "C", "B", "E"}));

    // An update does not move the entry, but later insertions see the new value.
    a->nRssi = -30;
    EXPECT_EQ(Walk(list), (Order{"D", "A", "C", "B", "E"}));
    Add(list, "F", -60);
    EXPECT_EQ(Walk(list), (Order{"D", "F", "A", "C", "B", "E"}));
}

TEST(StationList, GetAtAndNextWalkFromOneAndReportTheEnd) {
    CStationList list;
    StationEntry dummy;
    StationEntry* entry = &dummy;
    EXPECT_EQ(list.GetAt(1, &entry), -2);
    EXPECT_EQ(entry, nullptr);

    for (int i = 0; i < 7; ++i) Add(list, MacOf(i), static_cast<int16_t>(-90 + i));
    for (int n = 1; n <= 7; ++n) {  // both halves: the walk starts from the nearer end
        ASSERT_EQ(list.GetAt(n, &entry), 0) << n;
        EXPECT_EQ(entry->szMac, MacOf(n - 1)) << n;
    }
    for (int n : {0, -3, 8}) EXPECT_EQ(list.GetAt(n, &entry), -2) << n;

    StationEntry* last = nullptr;
    ASSERT_EQ(list.GetAt(7, &last), 0);
    EXPECT_EQ(list.Next(last, &entry), -2);
    EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(list.Next(nullptr, &entry), -2);
}

TEST(StationList, FindMatchesTheWholeTextAmongTenThousand) {
    CStationList list;
    for (int i = 0; i < 10000; ++i) {
        Add(list, MacOf(i), static_cast<int16_t>(-100 + i % 80), static_cast<uint16_t>(1 + i % 14));
    }
    EXPECT_EQ(list.Count(), 10000);
    for (int i = 0; i < 10000; ++i) {
        StationEntry* found = nullptr;
        ASSERT_EQ(list.Find(MacOf(i).c_str(), &found), 0) << i;
        ASSERT_EQ(std::string(found->szMac), MacOf(i));
    }
    StationEntry* found = nullptr;
    for (const char* miss : {"02-00-00-00-00-0", "02-00-00-00-00-00 ", "02-00-00-00-FF-FF", ""}) {
        EXPECT_EQ(list.Find(miss, &found), -1) << miss;
        EXPECT_EQ(found, nullptr);
    }
    EXPECT_EQ(list.Find(nullptr, &found), -1);
    EXPECT_EQ(list.Find(std::string(200, 'A').c_str(), &found), -1);

    int total = 0;
    for (uint16_t c = 1; c <= 14; ++c) total += list.CountOnChannel(c);
    EXPECT_EQ(total, 10000);
    EXPECT_EQ(list.CountOnChannel(6), 714);  // i % 14 == 5
    EXPECT_EQ(list.CountOnChannel(0), 0);
}

TEST(StationList, RemoveAndClearKeepCountIndexAndLinksTogether) {
    CStationList list;
    StationEntry* a = Add(list, "A", -50, 6);
    Add(list, "B", -60, 6);
    Add(list, "C", -70, 11);
    ASSERT_EQ(list.Remove(a), 0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.CountOnChannel(6), 1);
    StationEntry* found = nullptr;
    EXPECT_EQ(list.Find("A", &found), -1);
    EXPECT_EQ(Walk(list), (Order{"C", "B"}));

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Find("B", &found), -1);
    EXPECT_EQ(Walk(list), Order{});
    Add(list, "B", -10);  // usable again
    EXPECT_EQ(Walk(list), Order{"B"});
}

TEST(StationList, RepeatedTextFindsTheFirstInListOrder) {
    CStationList list;
    StationEntry* strong = Add(list, "D", -30);
    StationEntry* weak = Add(list, "D", -80);  // placed before the stronger one
    StationEntry* found = nullptr;
    ASSERT_EQ(list.Find("D", &found), 0);
    EXPECT_EQ(found, weak);
    ASSERT_EQ(list.Remove(strong), 0);  // the index must not keep its text
    ASSERT_EQ(list.Find("D", &found), 0);
    EXPECT_EQ(found, weak);
    ASSERT_EQ(list.Remove(weak), 0);
    EXPECT_EQ(list.Find("D", &found), -1);
    EXPECT_EQ(list.Count(), 0);
}

TEST(StationList, RejectsEntriesThatAreNotItsOwn) {
    CStationList list;
    CStationList other;
    StationEntry* mine = Add(list, "A", -50);
    StationEntry* foreign = Add(other, "A", -50);
    EXPECT_EQ(list.Remove(nullptr), -1);
    EXPECT_EQ(list.Remove(foreign), -1);
    EXPECT_EQ(list.Insert(nullptr), -1);
    EXPECT_EQ(list.Insert(mine), -1);  // already linked
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(other.Count(), 1);

    // A MAC text without its terminator is cut to the field.
    StationEntry* entry = nullptr;
    ASSERT_EQ(list.Allocate(&entry), 0);
    std::memset(entry->szMac, 'Z', sizeof(entry->szMac));
    ASSERT_EQ(list.Insert(entry), 0);
    StationEntry* found = nullptr;
    EXPECT_EQ(list.Find(std::string(31, 'Z').c_str(), &found), 0);
    EXPECT_EQ(found, entry);
}
