// The forwarding link's receiving side `orvalis-link-server`: see LinkServer.h.

#include <cstdio>

#include "tools/LinkServer.h"

int main(int argc, char** argv) {
    return RunLinkServer(argc, argv, stdout, stderr);
}
