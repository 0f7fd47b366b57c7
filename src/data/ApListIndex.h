#pragma once

#include <array>
#include <cstdint>

// A hash index over one access-point list, so that the decoders' look-up of
// every frame's MAC text does not walk up to 999 slots. The list itself (its
// slots, their order and its count) stays the truth: the index holds slot
// numbers only, and every hit is confirmed against the slot's text.
//
// Keys are the first 17 characters of a text (fewer when it ends sooner), the
// part of a MAC text the lists compare. Duplicates each have their own entry.
// Open addressing with linear probing in a table at most half full, so a
// probe sequence is short. A removal renumbers the slots after it, so the
// owner rebuilds the index then (a person's action on at most 999 slots).
//
// Not thread-safe: the store serialises every use with its lock.
class CApListIndex {
public:
    using Slots = const char (*)[32];
    static constexpr int kBuckets = 2048;  // a power of two, over twice 999

    CApListIndex();

    // Number of slots indexed; a list whose count differs is not covered.
    int Count() const { return m_nCount; }

    void Clear();
    // Indexes slot `slot` (its text as it is now), which must be the next
    // slot: `slot` == Count().
    void Append(Slots slots, int slot);
    // Indexes slots 0 .. used - 1 afresh.
    void Rebuild(Slots slots, int used);
    // True when one of the indexed slots holds `text` in its first 17
    // characters.
    bool Contains(Slots slots, const char* text) const;

    // The key hash of a text: over its first 17 characters.
    static uint32_t Hash(const char* text);

private:
    static constexpr int16_t kEmpty = -1;
    std::array<int16_t, kBuckets> m_anBucket;
    int m_nCount = 0;
};
