#include "tools/docs/Programs.h"

#include "app/ProgramHelp.h"
#include "sim/main/BoardSimHelp.h"
#include "tools/LinkServerHelp.h"
#include "tools/LogToolHelp.h"

std::span<const CommandHelp* const> DocumentedPrograms() {
    static const CommandHelp* const programs[] = {&OrvalisHelp(), &LogToolHelp(), &BoardSimHelp(),
                                                  &LinkServerHelp()};
    return programs;
}

const CommandHelp* FindDocumentedProgram(std::string_view name) {
    for (const CommandHelp* help : DocumentedPrograms())
        if (help->name == name) return help;
    return nullptr;
}
