#include "data/StationList.h"

#include <cstring>
#include <new>
#include <utility>

CStationList::CStationList() {
    m_Sentinel.pPrevious = &m_Sentinel;
    m_Sentinel.pNext = &m_Sentinel;
}

CStationList::~CStationList() {
    Clear();
}

std::string_view CStationList::KeyOf(const StationEntry* entry) {
    return std::string_view(entry->szMac, strnlen(entry->szMac, sizeof(entry->szMac)));
}

void CStationList::Clear() {
    StationEntry* entry = m_Sentinel.pNext;
    while (entry != &m_Sentinel) {
        StationEntry* next = entry->pNext;
        delete entry;
        entry = next;
    }
    m_Sentinel.pPrevious = &m_Sentinel;
    m_Sentinel.pNext = &m_Sentinel;
    m_nCount = 0;
    m_nDuplicateKeys = 0;
    m_Index.clear();
}

int CStationList::CountOnChannel(uint16_t channel) const {
    int count = 0;
    for (const StationEntry* entry = m_Sentinel.pNext; entry != &m_Sentinel; entry = entry->pNext) {
        if (entry->nChannel == channel) ++count;
    }
    return count;
}

int CStationList::Allocate(StationEntry** entry) {
    if (entry == nullptr) return -1;
    *entry = new (std::nothrow) StationEntry();
    return *entry != nullptr ? 0 : -1;
}

int CStationList::Insert(StationEntry* entry) {
    if (entry == nullptr || entry == &m_Sentinel || entry->pNext != nullptr ||
        entry->pPrevious != nullptr) {
        return -1;
    }
    // Make the NUL inside the buffer certain so the key never runs past it.
    entry->szMac[sizeof(entry->szMac) - 1] = '\0';
    const std::string_view key = KeyOf(entry);

    StationEntry* indexed = nullptr;
    try {
        auto [slot, added] = m_Index.try_emplace(key, entry);
        if (!added) indexed = slot->second;
    } catch (...) {
        delete entry;
        return -1;
    }

    // The list is ordered only as of each insertion, so the place is found by
    // walking, not by searching.
    bool passedIndexed = false;
    StationEntry* before = m_Sentinel.pNext;
    while (before != &m_Sentinel && before->nRssi <= entry->nRssi) {
        if (before == indexed) passedIndexed = true;
        before = before->pNext;
    }
    entry->pNext = before;
    entry->pPrevious = before->pPrevious;
    before->pPrevious->pNext = entry;
    before->pPrevious = entry;
    ++m_nCount;

    if (indexed != nullptr) {
        ++m_nDuplicateKeys;
        // The index names the first of equal keys in list order.
        if (!passedIndexed) Repoint(m_Index.find(key), entry);
    }
    return 0;
}

int CStationList::Find(const char* mac, StationEntry** entry) const {
    if (entry != nullptr) *entry = nullptr;
    if (mac == nullptr) return -1;
    const size_t length = strnlen(mac, sizeof(StationEntry::szMac));
    if (length == sizeof(StationEntry::szMac)) return -1;  // longer than any key
    auto slot = m_Index.find(std::string_view(mac, length));
    if (slot == m_Index.end()) return -1;
    if (entry != nullptr) *entry = slot->second;
    return 0;
}

int CStationList::GetAt(int n, StationEntry** entry) const {
    if (entry != nullptr) *entry = nullptr;
    if (n < 1 || static_cast<size_t>(n) > m_nCount) return -2;
    StationEntry* found;
    // Walk from whichever end is nearer.
    if (static_cast<size_t>(n) <= m_nCount / 2) {
        found = m_Sentinel.pNext;
        for (int i = 1; i < n; ++i) found = found->pNext;
    } else {
        found = m_Sentinel.pPrevious;
        for (size_t i = m_nCount; i > static_cast<size_t>(n); --i) found = found->pPrevious;
    }
    if (entry != nullptr) *entry = found;
    return 0;
}

int CStationList::Next(const StationEntry* entry, StationEntry** next) const {
    if (next != nullptr) *next = nullptr;
    if (entry == nullptr || entry->pNext == nullptr || entry->pNext == &m_Sentinel) return -2;
    if (next != nullptr) *next = entry->pNext;
    return 0;
}

void CStationList::Repoint(Index::iterator slot, StationEntry* entry) {
    // The key views the text of the entry it names, so both change together;
    // reusing the node means this cannot fail for want of memory.
    auto node = m_Index.extract(slot);
    node.key() = KeyOf(entry);
    node.mapped() = entry;
    m_Index.insert(std::move(node));
}

void CStationList::Unlink(StationEntry* entry) {
    entry->pPrevious->pNext = entry->pNext;
    entry->pNext->pPrevious = entry->pPrevious;
    entry->pPrevious = nullptr;
    entry->pNext = nullptr;
    --m_nCount;
}

int CStationList::Remove(StationEntry* entry) {
    if (entry == nullptr || entry == &m_Sentinel) return -1;
    const std::string_view key = KeyOf(entry);
    auto slot = m_Index.find(key);
    if (slot == m_Index.end()) return -1;

    if (slot->second != entry) {
        // Only a later entry with the same key can be this one.
        bool member = false;
        for (const StationEntry* e = slot->second->pNext; e != &m_Sentinel; e = e->pNext) {
            if (e == entry) {
                member = true;
                break;
            }
        }
        if (!member) return -1;
        --m_nDuplicateKeys;
    } else {
        StationEntry* successor = nullptr;
        if (m_nDuplicateKeys > 0) {
            for (StationEntry* e = entry->pNext; e != &m_Sentinel; e = e->pNext) {
                if (KeyOf(e) == key) {
                    successor = e;
                    break;
                }
            }
        }
        if (successor != nullptr) {
            Repoint(slot, successor);
            --m_nDuplicateKeys;
        } else {
            m_Index.erase(slot);
        }
    }
    Unlink(entry);
    delete entry;
    return 0;
}
