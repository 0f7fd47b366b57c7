#include "sim/JsonLineMap.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <nlohmann/json.hpp>
#include <vector>

namespace {

// Walks a character buffer for the JSON lexer and tells how far it has read,
// which is where the parser stands when it reports each value.
class CountingIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator() = default;
    CountingIterator(const char* p, const char* begin, size_t* consumed)
        : m_p(p), m_pBegin(begin), m_pConsumed(consumed) {}

    reference operator*() const { return *m_p; }
    CountingIterator& operator++() {
        ++m_p;
        if (m_pConsumed != nullptr) *m_pConsumed = static_cast<size_t>(m_p - m_pBegin);
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator old = *this;
        ++*this;
        return old;
    }
    bool operator==(const CountingIterator& other) const { return m_p == other.m_p; }
    bool operator!=(const CountingIterator& other) const { return m_p != other.m_p; }

private:
    const char* m_p = nullptr;
    const char* m_pBegin = nullptr;
    size_t* m_pConsumed = nullptr;
};

using Json = nlohmann::json;

// The reference tokens of a JSON pointer, unescaped.
std::vector<std::string> PointerTokens(const std::string& pointer) {
    std::vector<std::string> tokens;
    size_t pos = 0;
    while (pos < pointer.size() && pointer[pos] == '/') {
        size_t next = pointer.find('/', pos + 1);
        if (next == std::string::npos) next = pointer.size();
        std::string token;
        for (size_t i = pos + 1; i < next; ++i) {
            if (pointer[i] == '~' && i + 1 < next &&
                (pointer[i + 1] == '0' || pointer[i + 1] == '1')) {
                token += pointer[i + 1] == '0' ? '~' : '/';
                ++i;
            } else {
                token += pointer[i];
            }
        }
        tokens.push_back(std::move(token));
        pos = next;
    }
    return tokens;
}

// Follows the parse and notes the line of each prefix of one pointer the
// first time the parse stands on it. Only whether each open level stands on
// the pointer's token is kept, never a path, so the cost is linear in the
// text; the parse stops once the whole pointer was found.
class TargetLineFinder {
public:
    TargetLineFinder(std::string_view text, const size_t* consumed,
                     const std::vector<std::string>& tokens)
        : m_text(text), m_pConsumed(consumed), m_tokens(tokens), m_lines(tokens.size() + 1, 0) {}

    // Line of the longest prefix found, or 1.
    int Result() const {
        for (size_t k = m_lines.size(); k-- > 0;)
            if (m_lines[k] != 0) return m_lines[k];
        return 1;
    }

    bool null() { return Value(); }
    bool boolean(bool) { return Value(); }
    bool number_integer(Json::number_integer_t) { return Value(); }
    bool number_unsigned(Json::number_unsigned_t) { return Value(); }
    bool number_float(Json::number_float_t, const std::string&) { return Value(); }
    bool string(std::string&) { return Value(); }
    bool binary(Json::binary_t&) { return Value(); }
    bool start_object(std::size_t) { return Open(false); }
    bool start_array(std::size_t) { return Open(true); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(std::string& name) {
        if (m_levels.empty()) return true;
        Level& level = m_levels.back();
        const size_t at = m_levels.size() - 1;
        level.matches = at < m_tokens.size() && m_tokens[at] == name;
        // A problem with a member is best shown on the line of its name.
        return Record();
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
        return false;
    }

private:
    struct Level {
        bool array = false;
        size_t index = 0;
        bool matches = false;
    };

    int Line() {
        // The lexer may have read one character past the token (a number's
        // end), so the token's own last character is the one before that.
        const size_t at = *m_pConsumed > 0 ? *m_pConsumed - 1 : 0;
        if (at > m_nCounted) {
            m_nLine += static_cast<int>(
                std::count(m_text.begin() + static_cast<std::ptrdiff_t>(m_nCounted),
                           m_text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
            m_nCounted = at;
        }
        return m_nLine;
    }

    bool ArrayIndexMatches(size_t depth, size_t index) const {
        if (depth >= m_tokens.size()) return false;
        const std::string& token = m_tokens[depth];
        return !token.empty() && token.find_first_not_of("0123456789") == std::string::npos &&
               token == std::to_string(index);
    }

    // Notes the line of the place the parse stands on, when that place is a
    // prefix of the pointer. False ends the parse: the pointer was found.
    bool Record() {
        const size_t depth = m_levels.size();
        if (depth > m_tokens.size()) return true;
        for (const Level& level : m_levels)
            if (!level.matches) return true;
        if (m_lines[depth] == 0) m_lines[depth] = Line();
        return depth < m_tokens.size();
    }

    void Finish() {
        if (m_levels.empty()) return;
        Level& level = m_levels.back();
        if (level.array) {
            ++level.index;
            level.matches = ArrayIndexMatches(m_levels.size() - 1, level.index);
        } else {
            level.matches = false;
        }
    }

    bool Value() {
        const bool more = Record();
        Finish();
        return more;
    }

    bool Open(bool array) {
        if (!Record()) return false;
        if (m_levels.size() >= static_cast<size_t>(CJsonLineMap::kMaxDepth)) return false;
        Level level;
        level.array = array;
        level.matches = array && ArrayIndexMatches(m_levels.size(), 0);
        m_levels.push_back(level);
        return true;
    }

    bool Close() {
        if (!m_levels.empty()) m_levels.pop_back();
        Finish();
        return true;
    }

    std::string_view m_text;
    const size_t* m_pConsumed;
    const std::vector<std::string>& m_tokens;
    std::vector<int> m_lines;  // per prefix length; 0 = not seen
    std::vector<Level> m_levels;
    size_t m_nCounted = 0;
    int m_nLine = 1;
};

}  // namespace

int CJsonLineMap::LineOf(std::string_view text, const std::string& pointer) {
    const std::vector<std::string> tokens = PointerTokens(pointer);
    size_t consumed = 0;
    const char* begin = text.data();
    CountingIterator first(begin, begin, &consumed);
    CountingIterator last(begin + text.size(), begin, nullptr);
    TargetLineFinder finder(text, &consumed, tokens);
    try {
        Json::sax_parse(first, last, &finder);
    } catch (const std::exception&) {
        // What was found before the fault stands.
    }
    return finder.Result();
}

size_t CJsonLineMap::FindTooDeep(std::string_view text, int maxDepth) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth) return i;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return std::string_view::npos;
}

int CJsonLineMap::LineAt(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    return 1 + static_cast<int>(std::count(
                   text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}
