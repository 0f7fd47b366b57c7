#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "data/SurveyData.h"

// The access-point lists outside the store: the list files "auth.lst" and
// "unauth.lst" in the data folder, and the form a typed entry is kept in.
//
// A list file is plain text: the entry count in decimal on the first line,
// then one entry per line in list order, each line ending in LF. Reading is
// lenient about files edited by hand: CR LF line ends, a count that is
// negative or not a number (0 entries), a count above the list's capacity (the
// first 999 entries), fewer lines than announced (the entries that are
// there), lines past the announced count (ignored). Only the first 17
// characters of an entry line are kept; the rest of a long line, however long,
// belongs to that one entry.

inline constexpr const char* kAuthorizedListFile = "auth.lst";
inline constexpr const char* kUnauthorizedListFile = "unauth.lst";

// A list file is read from its first MiB only; a file whose count line and
// announced entries do not end within it is not a list file. (999 entries of
// a 17-character MAC text take 19 KiB.)
inline constexpr std::size_t kMaxListFileBytes = std::size_t{1} << 20;

// The two lists of the store.
enum class ApList { Authorized, Unauthorized };

// One list on its way between the store and a file.
struct ApListContents {
    int nCount = 0;  // 0 .. kApListCapacity
    char aszEntries[kApListCapacity][32] = {};
};

// The file text of a list.
std::string FormatApList(const ApListContents& list);

// Reads list-file text into `out`. `bWholeFile` tells whether `text` is the
// whole file or only its first part; with a part, a list that does not end
// inside it is refused. Returns 0, or -1 (out unchanged) when refused.
int ParseApList(std::string_view text, bool bWholeFile, ApListContents& out);

// Reads a list file. Returns 0; -1 when the file cannot be opened for
// reading (missing, unreadable, a folder or a device); -2 when it is not a
// list file (see kMaxListFileBytes). `out` is unchanged on failure.
int ReadApListFile(const std::string& path, ApListContents& out);

// Writes a list file, replacing one of that name only once the new one is
// complete. Returns 0, or -1 (the old file, if any, left as it was).
int WriteApListFile(const std::string& path, const ApListContents& list);

// The full path of a list file in the data folder.
std::string ApListPath(const std::string& dataDir, ApList which);

// Copies a store list out (store lock held).
void CopyApList(const CSurveyData& data, ApList which, ApListContents& out)
    ORV_REQUIRES_STORE(data);
// Replaces a store list with `list`: slots 0 .. nCount - 1 in order, the
// count, the changed flag set (store lock held).
void StoreApList(CSurveyData& data, ApList which, const ApListContents& list)
    ORV_REQUIRES_STORE(data);

// The text a typed entry is kept as. A MAC address typed in another common
// form (colons, dots between groups of four, no separators, any case, blanks
// around it) becomes the lists' form "00-1A-2B-3C-4D-5E", the form the
// decoders compare; any other text is kept as typed.
std::string NormalizeMacEntry(std::string_view typed);
