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

class LineRecorder {
public:
    LineRecorder(std::string_view text, const size_t* consumed, std::map<std::string, int>& lines)
        : m_text(text), m_pConsumed(consumed), m_lines(lines) {}

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
        if (!m_stack.empty()) {
            m_stack.back().key = name;
            // A problem with a member is best shown on the line of its name.
            m_lines.emplace(Path(), Line());
            m_stack.back().keyRecorded = true;
        }
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
        return false;
    }

private:
    struct Level {
        bool array = false;
        size_t index = 0;
        std::string key;
        bool keyRecorded = false;
    };

    int Line() const {
        // The lexer may have read one character past the token (a number's
        // end), so the token's own last character is the one before that.
        const size_t at = *m_pConsumed > 0 ? *m_pConsumed - 1 : 0;
        return CJsonLineMap::LineAt(m_text, at);
    }

    static void AppendEscaped(std::string& path, const std::string& token) {
        for (char c : token) {
            if (c == '~')
                path += "~0";
            else if (c == '/')
                path += "~1";
            else
                path += c;
        }
    }

    std::string Path() const {
        std::string path;
        for (const Level& level : m_stack) {
            path += '/';
            if (level.array)
                path += std::to_string(level.index);
            else
                AppendEscaped(path, level.key);
        }
        return path;
    }

    void Record() {
        if (!m_stack.empty() && !m_stack.back().array && m_stack.back().keyRecorded) return;
        m_lines.emplace(Path(), Line());
    }

    void Finish() {
        if (m_stack.empty()) return;
        if (m_stack.back().array)
            ++m_stack.back().index;
        else
            m_stack.back().keyRecorded = false;
    }

    bool Value() {
        Record();
        Finish();
        return true;
    }

    bool Open(bool array) {
        Record();
        m_stack.push_back(Level{array, 0, {}, false});
        return true;
    }

    bool Close() {
        if (!m_stack.empty()) m_stack.pop_back();
        Finish();
        return true;
    }

    std::string_view m_text;
    const size_t* m_pConsumed;
    std::map<std::string, int>& m_lines;
    std::vector<Level> m_stack;
};

}  // namespace

int CJsonLineMap::Build(std::string_view text) {
    m_aLines.clear();
    size_t consumed = 0;
    const char* begin = text.data();
    CountingIterator first(begin, begin, &consumed);
    CountingIterator last(begin + text.size(), begin, nullptr);
    LineRecorder recorder(text, &consumed, m_aLines);
    bool ok = false;
    try {
        ok = Json::sax_parse(first, last, &recorder);
    } catch (const std::exception&) {
        ok = false;
    }
    return ok ? 0 : -1;
}

int CJsonLineMap::LineOf(const std::string& pointer) const {
    std::string path = pointer;
    for (;;) {
        auto it = m_aLines.find(path);
        if (it != m_aLines.end()) return it->second;
        const size_t slash = path.rfind('/');
        if (slash == std::string::npos || path.empty()) return 1;
        path.resize(slash);
    }
}

int CJsonLineMap::LineAt(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    return 1 + static_cast<int>(std::count(
                   text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}
