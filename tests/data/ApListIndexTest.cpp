// The hash index beside each access-point list must answer exactly as a walk
// of the list's slots would, whatever sequence of operations built the list.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "data/ApListIndex.h"
#include "data/SurveyData.h"

namespace {

// The list's meaning, spelled out: a text is listed when a used slot equals
// it in its first 17 characters.
bool WalkFinds(const CSurveyData& s, const char* text) {
    for (int i = 0; i < s.m_nAuthorizedCount; ++i)
        if (std::strncmp(s.m_aszAuthorized[i], text, 17) == 0) return true;
    return false;
}

std::string RandomText(std::mt19937& rng) {
    // A small alphabet and short lengths give many duplicates and shared
    // prefixes; some texts run past 17 characters.
    static const char kAlphabet[] = "0A-";
    const int length = static_cast<int>(rng() % 21);
    std::string text;
    for (int i = 0; i < length; ++i) text += kAlphabet[rng() % 3];
    return text;
}

TEST(ApListIndexTest, LookupsAgreeWithAWalkOfTheSlotsUnderRandomEdits) {
    auto store = std::make_unique<CSurveyData>();
    std::mt19937 rng(11);
    std::vector<std::string> probes;
    for (int i = 0; i < 64; ++i) probes.push_back(RandomText(rng));
    for (int step = 0; step < 20000; ++step) {
        const unsigned op = rng() % 100;
        if (op < 60) {
            store->AddAuthorized(RandomText(rng).c_str());
        } else if (op < 95) {
            const int count = store->m_nAuthorizedCount;
            store->RemoveAuthorized(count > 0 ? static_cast<int>(rng() % count) : 0);
        } else if (op < 96) {
            store->ClearAuthorized();
        } else {
            // A full list: additions fail and must not disturb the index.
            while (store->AddAuthorized(RandomText(rng).c_str()) == 0) {
            }
        }
        for (const std::string& probe : probes) {
            ASSERT_EQ(store->IsAuthorized(probe.c_str()), WalkFinds(*store, probe.c_str()))
                << "step " << step << " probe '" << probe << "'";
        }
    }
}

TEST(ApListIndexTest, OneOfTwoDuplicatesRemovedLeavesTheOtherFound) {
    auto store = std::make_unique<CSurveyData>();
    store->AddUnauthorized("00-11-22-33-44-55");
    store->AddUnauthorized("00-11-22-33-44-66");
    store->AddUnauthorized("00-11-22-33-44-55");
    ASSERT_EQ(store->RemoveUnauthorized(0), 0);
    EXPECT_TRUE(store->IsUnauthorized("00-11-22-33-44-55"));
    ASSERT_EQ(store->RemoveUnauthorized(1), 0);
    EXPECT_FALSE(store->IsUnauthorized("00-11-22-33-44-55"));
    EXPECT_TRUE(store->IsUnauthorized("00-11-22-33-44-66"));
}

TEST(ApListIndexTest, ACountWrittenDirectlyIsFollowedAndTheIndexCatchesUp) {
    auto store = std::make_unique<CSurveyData>();
    for (int i = 0; i < 10; ++i) {
        char mac[32];
        std::snprintf(mac, sizeof mac, "00-11-22-33-44-%02X", i);
        store->AddAuthorized(mac);
    }
    // Shrinking the count by hand hides the later slots from the lookups.
    store->m_nAuthorizedCount = 5;
    EXPECT_TRUE(store->IsAuthorized("00-11-22-33-44-04"));
    EXPECT_FALSE(store->IsAuthorized("00-11-22-33-44-07"));
    // The next addition brings the index back in step with the list.
    ASSERT_EQ(store->AddAuthorized("02-00-00-00-00-01"), 0);
    EXPECT_EQ(store->m_nAuthorizedCount, 6);
    EXPECT_FALSE(store->IsAuthorized("00-11-22-33-44-05"));
    EXPECT_TRUE(store->IsAuthorized("02-00-00-00-00-01"));
    EXPECT_TRUE(store->IsAuthorized("00-11-22-33-44-00"));
}

TEST(ApListIndexTest, RemovalsAtAndPastTheCountChangeNeitherListNorIndex) {
    auto store = std::make_unique<CSurveyData>();
    struct List {
        int (CSurveyData::*add)(const char*);
        int (CSurveyData::*remove)(int);
        bool (CSurveyData::*find)(const char*) const;
        int32_t CSurveyData::*count;
    } lists[] = {
        {&CSurveyData::AddAuthorized, &CSurveyData::RemoveAuthorized, &CSurveyData::IsAuthorized,
         &CSurveyData::m_nAuthorizedCount},
        {&CSurveyData::AddUnauthorized, &CSurveyData::RemoveUnauthorized,
         &CSurveyData::IsUnauthorized, &CSurveyData::m_nUnauthorizedCount},
    };
    for (const List& l : lists) {
        for (int size : {0, 3, 999}) {
            for (int i = (*store).*l.count; i < size; ++i) {
                char mac[32];
                std::snprintf(mac, sizeof mac, "00-11-22-33-%02X-%02X", i >> 8, i & 0xFF);
                ASSERT_EQ(((*store).*l.add)(mac), 0);
            }
            for (int index : {size, size + 1, 999, 1000, INT_MAX, -1, INT_MIN}) {
                EXPECT_EQ(((*store).*l.remove)(index), -1) << size << " " << index;
                EXPECT_EQ((*store).*l.count, size);
            }
            EXPECT_EQ(((*store).*l.find)("00-11-22-33-00-00"), size > 0);
        }
    }
}

TEST(ApListIndexTest, HashCoversOnlyTheComparedCharacters) {
    EXPECT_EQ(CApListIndex::Hash("00-11-22-33-44-55"), CApListIndex::Hash("00-11-22-33-44-55:x"));
    EXPECT_NE(CApListIndex::Hash("00-11-22-33-44-55"), CApListIndex::Hash("00-11-22-33-44-56"));
    EXPECT_EQ(CApListIndex::Hash(""), CApListIndex::Hash(""));
}

}  // namespace
