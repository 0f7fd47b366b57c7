#include "data/ApListIndex.h"

#include <cstring>

#include "board/Wire.h"

CApListIndex::CApListIndex() {
    m_anBucket.fill(kEmpty);
}

uint32_t CApListIndex::Hash(const char* text) {
    // FNV-1a; the keys are short and differ mostly in their last characters,
    // which FNV spreads over the whole word.
    uint32_t h = 2166136261u;
    for (int i = 0; i < kMacTextLength && text[i] != '\0'; ++i) {
        h ^= static_cast<uint8_t>(text[i]);
        h *= 16777619u;
    }
    return h;
}

void CApListIndex::Clear() {
    m_anBucket.fill(kEmpty);
    m_nCount = 0;
}

void CApListIndex::Append(Slots slots, int slot) {
    if (slot != m_nCount || m_nCount >= kBuckets / 2) return;
    uint32_t b = Hash(slots[slot]) & (kBuckets - 1);
    while (m_anBucket[b] != kEmpty) b = (b + 1) & (kBuckets - 1);
    m_anBucket[b] = static_cast<int16_t>(slot);
    ++m_nCount;
}

void CApListIndex::Rebuild(Slots slots, int used) {
    Clear();
    for (int i = 0; i < used; ++i) Append(slots, i);
}

bool CApListIndex::Contains(Slots slots, const char* text) const {
    uint32_t b = Hash(text) & (kBuckets - 1);
    for (int16_t slot = m_anBucket[b]; slot != kEmpty;
         b = (b + 1) & (kBuckets - 1), slot = m_anBucket[b]) {
        if (std::strncmp(slots[slot], text, kMacTextLength) == 0) return true;
    }
    return false;
}
