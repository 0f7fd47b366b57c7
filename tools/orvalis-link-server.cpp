// The forwarding link's receiving side `orvalis-link-server`: see LinkServer.h.

#include <cstdio>

#include "platform/GuardedMain.h"
#include "tools/LinkServer.h"

int main(int argc, char** argv) {
    return RunGuardedMain("orvalis-link-server",
                          [&] { return RunLinkServer(argc, argv, stdout, stderr); });
}
