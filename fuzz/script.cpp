// Headless scripts as people and tests write them, through the parser the
// program runs before it starts. A refused script names a line that exists;
// an accepted one gives steps in line order, each with what its kind needs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/headless/ScriptDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<ScriptStep> steps;
    static std::string error;
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    error.clear();
    size_t lines = 1;
    for (char c : script) lines += c == '\n' ? 1 : 0;

    if (ParseScript(script, steps, error) != 0) {
        // "line N: reason", N a line of the script.
        if (error.rfind("line ", 0) != 0) __builtin_trap();
        const size_t colon = error.find(':');
        if (colon == std::string::npos || colon == 5) __builtin_trap();
        const unsigned long n = std::stoul(error.substr(5, colon - 5));
        if (n < 1 || n > lines) __builtin_trap();
        return 0;
    }
    int previous = 0;
    for (const ScriptStep& step : steps) {
        if (step.nLine <= previous || static_cast<size_t>(step.nLine) > lines) __builtin_trap();
        previous = step.nLine;
        switch (step.kind) {
            case ScriptStep::Kind::Feed:
                if (step.bytes.empty()) __builtin_trap();
                break;
            case ScriptStep::Kind::FeedFile:
            case ScriptStep::Kind::Screenshot:
            case ScriptStep::Kind::State:
            case ScriptStep::Kind::Texts:
                if (step.text.empty()) __builtin_trap();
                break;
            case ScriptStep::Kind::Command:
                if (step.a < 0) __builtin_trap();
                break;
            case ScriptStep::Kind::Sleep:
                if (step.a < 0) __builtin_trap();
                break;
            default:
                break;
        }
    }
    return 0;
}
