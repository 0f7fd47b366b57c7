// The program `orvalis`: the instrument's front end in an SDL2 window, or
// headless (driven by a script, or as a bare board link).

#include <cstdio>
#include <string>

#include "OrvVersion.h"
#include "app/OrvApp.h"
#include "app/ProgramOptions.h"
#include "hosts/headless/ScriptDriver.h"
#include "hosts/sdl/SdlHost.h"
#include "platform/GuardedMain.h"
#include "ui/UiLoop.h"

namespace {

int RunWindowed(const ProgramOptions& options) {
    SdlHostOptions hostOptions;
    hostOptions.nScale = options.nScale;
    hostOptions.bFullscreen = options.bFullscreen;
    hostOptions.title = COrvApp::kTitle;
    CSdlHost host(hostOptions);
    if (host.Open() < 0) {
        if (host.LastError() == CSdlHost::OpenError::kNoDisplay)
            std::fputs("orvalis: no display found; use --headless, or run it on a display\n",
                       stderr);
        else
            std::fputs("orvalis: cannot open a window on this display\n", stderr);
        return 1;
    }
    if (!host.Audio().HasDevice()) std::fputs("orvalis: no sound device; running silent\n", stderr);
    int rc = 1;
    {
        CUiLoop loop(host);
        AppOptions appOptions;
        appOptions.strDataDir = options.strDataDir;
        appOptions.linkPeers = options.linkPeers;
        appOptions.gpsd = options.gpsd;
        appOptions.openBoardPort = [options] { return OpenBoardLink(options); };
        appOptions.pClickOutput = &host.Audio();
        appOptions.strBoardSource = DescribeBoardLink(options);
        appOptions.onTitleChanged = [&host](const std::string& title) { host.SetTitle(title); };
        COrvApp app(loop, appOptions);
        if (app.InitInstance() == 0) rc = loop.Run();
    }
    host.Close();
    return rc;
}

}  // namespace

namespace {

int RunProgram(int argc, char** argv) {
    ProgramOptions options;
    std::string error;
    if (ParseProgramOptions(argc, argv, options, error) < 0) {
        std::fprintf(stderr, "orvalis: %s\n", error.c_str());
        return 2;
    }
    if (options.bHelp) {
        std::fputs(ProgramUsage(), stdout);
        return 0;
    }
    if (options.bVersion) {
        std::printf("orvalis %s\n", ORV_VERSION);
        return 0;
    }
    if (EnsureDataDir(options.strDataDir) < 0) {
        std::fprintf(stderr, "orvalis: cannot create the data folder %s\n",
                     options.strDataDir.c_str());
    }
    if (options.bHeadless) return RunHeadlessProgram(options);
    return RunWindowed(options);
}

}  // namespace

int main(int argc, char** argv) {
    return RunGuardedMain("orvalis", [&] { return RunProgram(argc, argv); });
}
