#include "app/OrvApp.h"

#include <csignal>
#include <cstring>
#include <span>
#include <string_view>

#include "app/OrvView.h"
#include "audio/SoundCues.h"
#include "data/SurveyData.h"
#include "res/Resource.h"
#include "res/SoundResources.h"
#include "ui/MessageBox.h"
#include "ui/UiLoop.h"

namespace {

constexpr const char* kCueNames[] = {"PING", "WHOOSH", "CAMERA", "REDALERT"};

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// The program's sound resources, by name in any case.
bool FindCue(std::string_view name, const char** canonical, std::span<const std::uint8_t>* wave) {
    for (const char* cue : kCueNames) {
        if (!SameNameIgnoringCase(name, cue)) continue;
        const std::vector<std::uint8_t>* data = FindSoundResource(cue);
        if (data == nullptr) return false;
        *canonical = cue;
        *wave = std::span<const std::uint8_t>(*data);
        return true;
    }
    return false;
}

struct Accelerator {
    int nKey;
    unsigned nCmd;
};
constexpr Accelerator kAccelerators[] = {
    {'N', ID_FILE_NEW},  {'O', ID_FILE_OPEN}, {'S', ID_FILE_SAVE}, {'Q', ID_APP_EXIT},
    {'Z', ID_EDIT_UNDO}, {'X', ID_EDIT_CUT},  {'C', ID_EDIT_COPY}, {'V', ID_EDIT_PASTE},
};

}  // namespace

COrvApp::COrvApp(CUiLoop& loop, AppOptions options)
    : m_loop(loop), m_options(std::move(options)), m_pData(std::make_unique<CSurveyData>()) {
    // New and Open of a document that holds nothing change nothing; Exit
    // closes the frame.
    AddCommand(ID_FILE_NEW, [this] {
        if (m_pDoc) m_pDoc->OnNewDocument();
    });
    AddCommand(ID_FILE_OPEN, [] {});
    AddCommand(ID_APP_EXIT, [this] {
        if (m_pFrame) m_pFrame->OnClose();
    });
}

COrvApp::~COrvApp() {
    // The frame stops the reader thread before the store goes.
    m_pFrame.reset();
    ClearSoundCues();
}

int COrvApp::InitLinkTransport() {
    return std::signal(SIGPIPE, SIG_IGN) == SIG_ERR ? -1 : 0;
}

int COrvApp::InitInstance() {
    IHost* host = &m_loop.Host();
    InstallSoundCues(FindCue, [host](const char* name, std::span<const std::uint8_t> wave) {
        host->PlaySound(name, wave);
    });

    const int linkResult =
        m_options.initLinkTransport ? m_options.initLinkTransport() : InitLinkTransport();
    if (linkResult < 0) {
        CMessageBox::Show(CMainFrame::kMessageCaption, kSocketsFailed);
        return -1;
    }

    m_strRegistryKey = kRegistryKey;

    m_docTemplate.nIdResource = IDR_MAINFRAME;
    m_docTemplate.strDocString = kDocString;
    m_docTemplate.pFrameClass = ORV_RUNTIME_CLASS(CMainFrame);
    m_docTemplate.pViewClass = ORV_RUNTIME_CLASS(COrvView);

    if (OnFileNew() < 0) return -1;

    m_pFrame->SetTitle(kTitle);
    m_loop.PaintIfNeeded(true);
    return 0;
}

int COrvApp::OnFileNew() {
    CMainFrame::Setup setup;
    setup.pLoop = &m_loop;
    setup.pData = m_pData.get();
    setup.openPort = m_options.openBoardPort;
    setup.nStartupPauseMs = m_options.nStartupPauseMs;
    setup.nShutdownGraceMs = m_options.nShutdownGraceMs;
    setup.strDataDir = m_options.strDataDir;
    setup.pClickOutput = m_options.pClickOutput;
    setup.linkPeers = m_options.linkPeers;
    setup.gpsd = m_options.gpsd;
    setup.strBoardSource = m_options.strBoardSource;
    setup.onTitleChanged = m_options.onTitleChanged;
    m_pFrame = std::make_unique<CMainFrame>(std::move(setup));
    m_pFrame->SetAppTarget(this);
    for (const Accelerator& a : kAccelerators) m_pFrame->AddAccelerator(a.nKey, a.nCmd);
    // Page Up and Page Down page as the command bar's Up and Down do.
    m_pFrame->AddKeyCommand(VK_PRIOR, ID_UP);
    m_pFrame->AddKeyCommand(VK_NEXT, ID_DOWN);
    if (m_options.onViewChanged) m_pFrame->SetViewChangedListener(m_options.onViewChanged);
    // Messages posted from here on reach the frame.
    m_loop.SetFrame(m_pFrame.get());
    if (m_pFrame->OnCreate() < 0) {
        m_loop.SetFrame(nullptr);
        m_pFrame.reset();
        return -1;
    }

    m_pDoc = std::make_unique<COrvDoc>();
    if (m_pDoc->OnNewDocument() == 0) return -1;
    CView* view = m_pFrame->CreateView(m_docTemplate.pViewClass);
    if (view == nullptr) return -1;
    m_pFrame->SetActiveView(view);
    return 0;
}
