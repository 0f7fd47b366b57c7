#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>

// Kinds of station in the table.
inline constexpr uint16_t kStationAccessPoint = 1;
inline constexpr uint16_t kStationOther = 2;

// One station heard on the air. The MAC text is the key: it must be set before
// the entry is inserted and must not change while the entry is in a list.
struct StationEntry {
    StationEntry* pPrevious = nullptr;
    char szMac[32] = {};
    char szSsid[128] = {};
    int16_t nRssi = 0;
    uint16_t nChannel = 0;
    uint8_t bPrivacy = 0;
    uint16_t nKind = 0;
    uint8_t bUnauthorized = 0;
    uint8_t bSeen = 0;
    StationEntry* pNext = nullptr;
};

// The station table: a circular doubly linked list of individually allocated
// entries around a sentinel, in ascending RSSI order as of each insertion
// (weakest first, among equal RSSI oldest first). Later RSSI updates do not
// move an entry.
//
// Beside the list an index from MAC text to entry keeps Find independent of
// the number of stations, and a running count keeps Count constant-time.
//
// Not thread-safe: the owner (the survey data store) serialises every use.
class CStationList {
public:
    CStationList();
    ~CStationList();
    CStationList(const CStationList&) = delete;
    CStationList& operator=(const CStationList&) = delete;

    // Frees every entry; the list is empty afterwards.
    void Clear();
    // Number of entries.
    int Count() const { return static_cast<int>(m_nCount); }
    // Number of entries whose channel equals `channel`.
    int CountOnChannel(uint16_t channel) const;

    // A new zero-filled entry, owned by the caller until it is inserted.
    // 0, or -1 when memory is exhausted (*entry is then null).
    int Allocate(StationEntry** entry);
    // Links an allocated entry before the first entry whose RSSI is strictly
    // greater (at the end if none) and indexes it by its MAC text. The list
    // takes ownership whatever the outcome: 0, or -1 when the entry is null
    // or the index could not grow (the entry is then freed).
    int Insert(StationEntry* entry);
    // The first entry in list order whose MAC text equals `mac` exactly, and
    // 0; or -1 when there is none.
    int Find(const char* mac, StationEntry** entry) const;
    // The n-th entry counted from 1, and 0; or -2 when there is no such entry.
    int GetAt(int n, StationEntry** entry) const;
    // The entry after `entry`, and 0; or -2 at the end of the list.
    int Next(const StationEntry* entry, StationEntry** next) const;
    // Unlinks and frees an entry of this list: 0, or -1 when `entry` is null,
    // the sentinel or not in this list.
    int Remove(StationEntry* entry);

private:
    struct KeyHash {
        size_t operator()(std::string_view key) const noexcept {
            return std::hash<std::string_view>{}(key);
        }
    };
    // Keys view the MAC text inside the entry itself, which lives as long as
    // the entry is indexed.
    using Index = std::unordered_map<std::string_view, StationEntry*, KeyHash>;

    static std::string_view KeyOf(const StationEntry* entry);
    void Repoint(Index::iterator slot, StationEntry* entry);
    void Unlink(StationEntry* entry);

    StationEntry m_Sentinel;
    size_t m_nCount = 0;
    Index m_Index;
    // Entries whose MAC text was already indexed when they were inserted.
    // Decoders never create them; while there are none, Remove needs no walk
    // to re-point the index.
    size_t m_nDuplicateKeys = 0;
};
