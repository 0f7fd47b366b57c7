#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

// The line on which each value of a JSON text starts, keyed by its JSON
// pointer ("/access_points/2/channel"), so that a problem found after
// parsing can be reported against the line the user wrote.
class CJsonLineMap {
public:
    // Scans the text; returns -1 if it is not well-formed JSON (the map then
    // holds what came before the fault), else 0.
    int Build(std::string_view text);
    // Line of the value at `pointer`, or of its nearest recorded parent; 1
    // when nothing is known.
    int LineOf(const std::string& pointer) const;

    // 1-based line of the character at byte `offset` of `text`.
    static int LineAt(std::string_view text, size_t offset);

private:
    std::map<std::string, int> m_aLines;
};
