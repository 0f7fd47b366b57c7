// Reads arbitrary bytes as a list file, whole and as the first part of a
// longer file, then checks what was read: within the list's bounds, stable
// when written out and read again, and the same after a trip through the
// store.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "data/SurveyData.h"
#include "outputs/ApListFile.h"

namespace {

bool SameList(const ApListContents& a, const ApListContents& b) {
    if (a.nCount != b.nCount) return false;
    for (int i = 0; i < a.nCount; ++i)
        if (std::strcmp(a.aszEntries[i], b.aszEntries[i]) != 0) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto store = std::make_unique<CSurveyData>();
    static auto whole = std::make_unique<ApListContents>();
    static auto part = std::make_unique<ApListContents>();
    static auto again = std::make_unique<ApListContents>();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // A whole file always reads, however damaged.
    if (ParseApList(text, true, *whole) != 0) __builtin_trap();
    if (whole->nCount < 0 || whole->nCount > kApListCapacity) __builtin_trap();
    bool stable = true;
    for (int i = 0; i < whole->nCount; ++i) {
        const size_t n = strnlen(whole->aszEntries[i], 32);
        if (n > 17) __builtin_trap();
        // A CR that ends an entry is taken for a line end when read back.
        if (n > 0 && whole->aszEntries[i][n - 1] == '\r') stable = false;
    }

    // Read as a part, it gives the same list or is refused.
    if (ParseApList(text, false, *part) == 0 && !SameList(*part, *whole)) __builtin_trap();

    if (stable) {
        if (ParseApList(FormatApList(*whole), true, *again) != 0) __builtin_trap();
        if (!SameList(*again, *whole)) __builtin_trap();
    }

    StoreApList(*store, ApList::Authorized, *whole);
    CopyApList(*store, ApList::Authorized, *again);
    if (!SameList(*again, *whole)) __builtin_trap();
    for (int i = 0; i < whole->nCount; ++i)
        if (!store->IsAuthorized(whole->aszEntries[i])) __builtin_trap();
    return 0;
}
