#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Where things are in a JSON text, so that a problem found after parsing can
// be reported against the line the user wrote. Every operation is one pass
// over the text.
class CJsonLineMap {
public:
    // The deepest nesting of arrays and objects a scenario may use; files
    // nest four levels deep.
    static constexpr int kMaxDepth = 64;

    // Line of the value at the JSON pointer `pointer`
    // ("/access_points/2/channel"), or of its nearest parent that the text
    // has; 1 when none (or the text is not JSON).
    static int LineOf(std::string_view text, const std::string& pointer);

    // Byte offset of the first bracket that opens a level deeper than
    // `maxDepth`, or npos when the text stays within it.
    static size_t FindTooDeep(std::string_view text, int maxDepth);

    // 1-based line of the character at byte `offset` of `text`.
    static int LineAt(std::string_view text, size_t offset);
};
