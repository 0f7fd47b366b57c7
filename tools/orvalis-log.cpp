// The log tool `orvalis-log`: see LogTool.h.

#include <cstdio>

#include "tools/LogTool.h"

int main(int argc, char** argv) {
    return RunLogTool(argc, argv, stdout, stderr);
}
