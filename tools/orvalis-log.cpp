// The log tool `orvalis-log`: see LogTool.h.

#include <cstdio>

#include "platform/GuardedMain.h"
#include "tools/LogTool.h"

int main(int argc, char** argv) {
    return RunGuardedMain("orvalis-log", [&] { return RunLogTool(argc, argv, stdout, stderr); });
}
