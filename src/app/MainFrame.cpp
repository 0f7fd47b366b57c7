#include "app/MainFrame.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "OrvVersion.h"
#include "app/Main.h"
#include "app/WindowTitle.h"
#include "audio/ClickEngine.h"
#include "board/ReplayPort.h"
#include "data/SurveyData.h"
#include "gpsd/GpsdFeed.h"
#include "outputs/IrLink.h"
#include "outputs/PacketLog.h"
#include "outputs/Recorder.h"
#include "outputs/Snapshot.h"
#include "platform/AudioOutput.h"
#include "platform/SerialPort.h"
#include "res/BitmapResources.h"
#include "res/ClickKernel.h"
#include "res/Resource.h"
#include "screens/GeigerView.h"
#include "screens/Options.h"
#include "screens/Screen.h"
#include "screens/ScreenFurniture.h"
#include "screens/ScreenGrid.h"
#include "screens/ScreenTable.h"
#include "screens/Security.h"
#include "ui/Dialog.h"
#include "ui/MessageBox.h"
#include "ui/Static.h"
#include "ui/UiLoop.h"

ORV_IMPLEMENT_DYNAMIC(CMainFrame, CFrameWnd)

const unsigned CMainFrame::kCommandIds[kCommandCount] = {
    ID_GOTO_MAIN_MENU, ID_RECORD_DATA, ID_STOP_RECORDING,   ID_SNAPSHOT, ID_UP,
    ID_DOWN,           ID_OPTIONS,     ID_INCREMENT_MARKER, ID_ABOUT,
};

const char* const CMainFrame::kCommandTexts[kCommandCount] = {
    "Goto Main Menu",
    "Record Data",
    "Stop recording data",
    "Take snapshot of current screen",
    "Up",
    "Down",
    "Options",
    "Increment Marker",
    "About",
};

namespace {

// The About box's release line, from the project's version.
const std::string kAboutVersion = std::string("Version ") + ORV_VERSION;

}  // namespace

DialogTemplate CMainFrame::AboutTemplate() {
    DialogTemplate tpl;
    tpl.nId = 132;
    tpl.caption = "About";
    tpl.fontFace = "System";
    tpl.nPointSize = 8;
    tpl.cx = 186;
    tpl.cy = 95;
    tpl.items = {
        {IDR_MAINFRAME, DialogItemKind::Icon, "", 7, 7, 21, 20, 0},
        {0xFFFF, DialogItemKind::Static, "Orvalis for 802.11b", 53, 13, 92, 14, 0},
        {0xFFFE, DialogItemKind::Static, kAboutVersion, 53, 29, 92, 12, 0},
        {0xFFFD, DialogItemKind::Static, "2.4 GHz survey instrument", 53, 51, 82, 20, 0},
        {IDOK, DialogItemKind::PushButton, "OK", 140, 75, 40, 14, kItemDefault},
    };
    return tpl;
}

namespace {

// The title's clock: the recording's elapsed time moves once a second.
constexpr unsigned kTitleTimer = 0x7469;
constexpr int kTitleTickMs = 1000;

void Pause(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

CMainFrame::CMainFrame(Setup setup) : m_setup(std::move(setup)) {
    AddCommand(ID_GOTO_MAIN_MENU, [this] { OnGotoMainMenu(); });
    AddCommand(ID_RECORD_DATA, [this] { OnRecordData(); });
    AddCommand(ID_STOP_RECORDING, [this] { OnStopRecording(); });
    AddCommand(ID_SNAPSHOT, [this] { OnSnapshot(); });
    AddCommand(ID_OPTIONS, [this] { OnOptions(); });
    AddCommand(ID_ABOUT, [this] { OnAbout(); });
    AddCommand(ID_INCREMENT_MARKER, [this] { OnIncrementMarker(); });
}

CMainFrame::~CMainFrame() {
    if (m_setup.onTitleChanged && m_setup.pLoop != nullptr) m_setup.pLoop->KillTimer(kTitleTimer);
    m_pIrLink.reset();
    StopBoardLink(0);
    m_pClickEngine.reset();
    // A recording still running keeps what it has written so far.
    m_pRecorder.reset();
    if (m_setup.pData != nullptr) {
        const CStoreLock lock(*m_setup.pData);
        if (m_setup.pData->m_hNotifyWnd == this) m_setup.pData->m_hNotifyWnd = nullptr;
    }
}

void CMainFrame::BuildCommandBar() {
    CCommandBar& bar = GetCommandBar();
    bar.RemoveAll();
    bar.SetCloseButton(true);
    bar.SetImages(LoadBitmapResource(IDR_MAINFRAME));
    for (int i = 0; i < kCommandCount; ++i) {
        const int index = bar.AddButton(kCommandIds[i], i);
        bar.SetTooltip(index, kCommandTexts[i]);
    }
}

int CMainFrame::OnCreate() {
    if (m_setup.pLoop == nullptr || m_setup.pData == nullptr) return -1;
    CSurveyData& data = *m_setup.pData;

    BuildCommandBar();
    // Each of these says "look again": one waiting is enough, however many
    // packets asked for it.
    for (const unsigned message : {UM_REFRESH_VIEW, UM_UNAUTHORIZED_AP, UM_LOG_PACKET, UM_IR_SEND})
        m_setup.pLoop->Queue().CoalesceMessage(message);
    {
        const CStoreLock lock(data);
        data.m_hNotifyWnd = this;
    }
    m_pFurniture = std::make_unique<CScreenFurniture>(data);

    CRecorder::Setup recorder;
    recorder.pData = &data;
    recorder.strDataDir = m_setup.strDataDir;
    recorder.beep = [loop = m_setup.pLoop] { loop->MessageBeep(); };
    recorder.chooseFile = &CRecorder::ChooseLogFile;
    recorder.showMessage = [](std::string_view text) { CMessageBox::Show(kMessageCaption, text); };
    m_pRecorder = std::make_unique<CRecorder>(std::move(recorder));

    CSnapshot::Setup snapshot;
    snapshot.pData = &data;
    snapshot.strDataDir = m_setup.strDataDir;
    snapshot.playSound = [](const char* name) { PlayResourceSound(name); };
    snapshot.showMessage = [](std::string_view text) { CMessageBox::Show(kMessageCaption, text); };
    m_pSnapshot = std::make_unique<CSnapshot>(std::move(snapshot));

    // Opening the port may tell the person it failed (a modal box).
    std::unique_ptr<ISerialPort> port;
    if (m_setup.openPort) port = m_setup.openPort();
    m_bBoardOpen = port != nullptr && port->IsOpen();
    if (auto* replay = dynamic_cast<CReplayPort*>(port.get())) {
        auto watch = std::make_unique<CReplayEndWatch>(std::move(port), *replay);
        m_pReplayWatch = watch.get();
        port = std::move(watch);
    }
    m_pBoardPort = std::make_unique<CBoardPort>(std::move(port));
    m_eToldLinkState = m_pBoardPort->GetLinkState();
    // The reader thread only posts; the frame reads the state when the
    // message comes.
    m_pBoardPort->SetLinkListener([loop = m_setup.pLoop](CBoardPort::LinkState) {
        if (loop != nullptr) loop->PostMessage(UM_BOARD_LINK);
    });
    {
        const CStoreLock lock(data);
        data.SetBoardPort(m_pBoardPort.get());
        data.m_Stations.Clear();
    }

    Pause(m_setup.nStartupPauseMs);

    IPacketSink* sink = &data;
    if (m_setup.gpsd) {
        CGpsdSource::Setup gpsd;
        gpsd.address = *m_setup.gpsd;
        gpsd.notice = [](const std::string& text) {
            std::fprintf(stderr, "orvalis: %s\n", text.c_str());
        };
        m_pGpsdFeed = std::make_unique<CGpsdFeed>(data, std::move(gpsd));
        sink = m_pGpsdFeed.get();
    }
    m_pReader = std::make_unique<CBoardReader>(*m_pBoardPort, m_framer, *sink, &m_soundCues);
    m_pReader->Start();
    if (m_pGpsdFeed) m_pGpsdFeed->Start();
    {
        const CStoreLock lock(data);
        data.RequestFirmwareVersion();
    }

    // The link's worker runs only while "Enable Heron Interface" is on.
    CIrLink::Setup link;
    link.peers = m_setup.linkPeers;
    link.isEnabled = [pData = &data] {
        const CStoreLock lock(*pData);
        return pData->m_bHeronEnabled != 0;
    };
    link.strAppCaption = kMessageCaption;
    m_pIrLink = std::make_unique<CIrLink>(std::move(link));
    CreateClickEngine();
    if (m_setup.onTitleChanged) {
        UpdateTitle();
        m_setup.pLoop->SetTimer(kTitleTimer, kTitleTickMs, [this] { UpdateTitle(); });
    }
    return 0;
}

std::string CMainFrame::ComposeTitle() const {
    WindowTitleState state;
    if (m_pReplayWatch != nullptr && m_pReplayWatch->HasEnded())
        state.strSource = "replay ended";
    else
        state.strSource = m_bBoardOpen ? m_setup.strBoardSource : "no board";
    state.bBoardLost = m_eToldLinkState == CBoardPort::LinkState::Lost;
    const CPacketLog* log = m_pRecorder ? m_pRecorder->GetActive() : nullptr;
    if (log != nullptr) {
        state.bRecording = true;
        state.strLogFile = std::filesystem::path(log->GetPath()).filename().string();
        if (log == m_pTitleLog) {
            state.nRecordSeconds = std::chrono::duration_cast<std::chrono::seconds>(
                                       std::chrono::steady_clock::now() - m_recordStart)
                                       .count();
        }
    }
    return FormatWindowTitle(state);
}

void CMainFrame::UpdateTitle() {
    if (!m_setup.onTitleChanged) return;
    const CPacketLog* log = m_pRecorder ? m_pRecorder->GetActive() : nullptr;
    if (log != m_pTitleLog) {
        m_pTitleLog = log;
        m_recordStart = std::chrono::steady_clock::now();
    }
    std::string title = ComposeTitle();
    if (title == m_strTitle) return;
    m_strTitle = std::move(title);
    m_setup.onTitleChanged(m_strTitle);
}

std::string CMainFrame::ClickKernelPath(const std::string& strDataDir) {
    return (std::filesystem::path(strDataDir) / "windows" / "spike.wav").string();
}

void CMainFrame::CreateClickEngine() {
    CAudioOutput* output = m_setup.pClickOutput;
    if (output == nullptr) {
        m_pNullSink = std::make_unique<CAudioOutput>();
        m_pNullSink->Open(true);
        output = m_pNullSink.get();
    }
    CClickEngine::Setup setup;
    if (m_setup.strDataDir.empty()) {
        // No root folder (the program embedded in a test): the kernel the
        // program would have installed.
        setup.kernelFile = ClickKernelWave();
    } else {
        // The kernel file is the user's to replace; ours goes in only when
        // there is none. A failure here shows when the engine opens it.
        setup.strKernelPath = ClickKernelPath(m_setup.strDataDir);
        std::error_code ec;
        if (!std::filesystem::exists(setup.strKernelPath, ec)) {
            std::filesystem::create_directories(
                std::filesystem::path(setup.strKernelPath).parent_path(), ec);
            WriteClickKernel(setup.strKernelPath);
        }
    }
    setup.pDevice = std::make_unique<CAudioClickDevice>(*output);
    setup.showMessage = [](std::string_view caption, std::string_view text,
                           std::function<void()> dismissed) {
        // Shown by the GUI thread when it gets to it; the click thread waits
        // for the dismissal without holding up the GUI thread's shutdown.
        CUiLoop* loop = CUiLoop::Get();
        auto box = std::make_shared<std::pair<std::string, std::string>>(caption, text);
        const int posted =
            loop == nullptr ? -1 : loop->Queue().PostTask([box, dismissed](bool bDiscarded) {
                if (!bDiscarded) CMessageBox::Show(box->first, box->second);
                dismissed();
            });
        if (posted != 0) dismissed();
    };
    m_pClickEngine = std::make_unique<CClickEngine>(std::move(setup));
    m_pClickEngine->Start();
}

void CMainFrame::OnViewAdded(CView& view) {
    if (auto* screen = dynamic_cast<CScreen*>(&view))
        screen->SetContext(ScreenContext{m_setup.pData, m_pFurniture.get(), m_pClickEngine.get()});
    if (auto* security = dynamic_cast<CSecurity*>(&view)) security->SetDataDir(m_setup.strDataDir);
}

void CMainFrame::SwitchToView(const CRuntimeClass* pClass) {
    ActivateView(pClass);
    // The clicks run exactly while a screen whose row asks for them shows.
    const ScreenRow* row = FindScreenRow(pClass);
    SetClickRun(row != nullptr && row->bClickRun);
}

void CMainFrame::HandleScreenGrid(int x, int y, int ownCell) {
    const ScreenGridCell* cell = FindScreenGridCell(x, y);
    if (cell == nullptr || cell->nCode == ownCell) return;
    SetClickRun(false);
    if (const ScreenRow* row = FindScreenRowByCell(cell->nCode)) {
        // The MAC list announces itself before the board is told its mode.
        if (row->nMode != ScreenRow::kNoMode) {
            PlayResourceSound("PING");
            if (m_setup.pData != nullptr) {
                const CStoreLock lock(*m_setup.pData);
                m_setup.pData->SetMode(static_cast<uint8_t>(row->nMode));
            }
        }
        SwitchToView(row->pClass);
    }
    PlayResourceSound("PING");
}

void CMainFrame::PostMessage(unsigned message) {
    if (message == UM_UNAUTHORIZED_AP && m_setup.pData != nullptr) {
        // A later alarm overwrites the store's alert MAC before the GUI thread
        // shows this one, so the text travels with its message.
        const char* mac = m_setup.pData->m_szAlertMac;
        std::string text(mac, strnlen(mac, sizeof(m_setup.pData->m_szAlertMac)));
        std::lock_guard<std::mutex> lock(m_alertMutex);
        const bool bKnown =
            (m_bAlertShowing && m_strShownAlert == text) || m_waitingAlertSet.count(text) != 0;
        if (bKnown || m_alertMacs.size() >= kMaxWaitingAlerts) return;
        m_waitingAlertSet.insert(text);
        m_alertMacs.push_back(std::move(text));
    }
    if (m_setup.pLoop != nullptr) m_setup.pLoop->PostMessage(message);
}

std::size_t CMainFrame::PendingAlerts() const {
    std::lock_guard<std::mutex> lock(m_alertMutex);
    return m_alertMacs.size();
}

void CMainFrame::OnPostedMessage(const PostedMessage& msg) {
    switch (msg.nMessage) {
        case UM_REFRESH_VIEW:
            if (CView* view = GetActiveView()) view->Invalidate(false);
            break;
        case UM_UNAUTHORIZED_AP:
            OnUnauthorizedAp();
            break;
        case UM_LOG_PACKET:
            OnLogPacket();
            break;
        case UM_IR_SEND:
            OnIrSend();
            break;
        case UM_BOARD_LINK:
            OnBoardLink();
            break;
        default:
            break;
    }
}

std::string CMainFrame::AlertText(const std::string& mac, std::size_t nMore) {
    std::string text = "AP#" + mac + " is not authorized.";
    if (nMore != 0) text += " (" + std::to_string(nMore) + " more)";
    return text;
}

// One box at a time: the alarms that come while it is up wait in order, and
// this loop (not a box nested in the box's own loop) shows them after it.
void CMainFrame::OnUnauthorizedAp() {
    while (true) {
        std::string mac;
        std::size_t nMore = 0;
        {
            std::lock_guard<std::mutex> lock(m_alertMutex);
            if (m_bAlertShowing || m_alertMacs.empty()) return;
            mac = std::move(m_alertMacs.front());
            m_alertMacs.pop_front();
            m_waitingAlertSet.erase(mac);
            nMore = m_alertMacs.size();
            m_strShownAlert = mac;
            m_bAlertShowing = true;
        }
        PlayResourceSound("REDALERT");
        CMessageBox::Show("ALERT!", AlertText(mac, nMore));
        std::lock_guard<std::mutex> lock(m_alertMutex);
        m_bAlertShowing = false;
        m_strShownAlert.clear();
    }
}

void CMainFrame::OnLogPacket() {
    if (m_pRecorder) m_pRecorder->OnLogPacket();
}

void CMainFrame::OnIrSend() {
    if (!m_pIrLink || m_setup.pData == nullptr) return;
    // The store lock is the record's lock: the reader thread may be building
    // the next record.
    const CStoreLock lock(*m_setup.pData);
    // A record posted just before the switch went off is not sent.
    if (m_setup.pData->m_bHeronEnabled == 0) return;
    m_pIrLink->Queue(m_setup.pData->m_abHeronRecord.data(), m_setup.pData->m_nHeronRecordLength);
}

void CMainFrame::OnBoardLink() {
    if (!m_pBoardPort) return;
    const CBoardPort::LinkState state = m_pBoardPort->GetLinkState();
    if (state == m_eToldLinkState) return;
    const CBoardPort::LinkState before = m_eToldLinkState;
    m_eToldLinkState = state;
    if (state == CBoardPort::LinkState::Lost) {
        UpdateTitle();
        // A line that comes and goes while the box is up is not told again.
        if (m_bLossBoxShown) return;
        m_bLossBoxShown = true;
        CMessageBox::Show(kMessageCaption, kBoardLostText);
        m_bLossBoxShown = false;
    } else if (before == CBoardPort::LinkState::Lost) {
        UpdateTitle();
        // The board may have been powered afresh: it is told the mode the
        // screen shown expects, so the screens go on as they were.
        if (m_setup.pData != nullptr) {
            const CStoreLock lock(*m_setup.pData);
            m_setup.pData->SetMode(m_setup.pData->m_nMode);
        }
    }
}

void CMainFrame::OnGotoMainMenu() {
    if (m_setup.pLoop != nullptr) m_setup.pLoop->MessageBeep();
    if (m_setup.pData != nullptr) {
        const CStoreLock lock(*m_setup.pData);
        m_setup.pData->SetMode(BoardMode::kIdle);
    }
    SetClickRun(false);
    SwitchToView(ORV_RUNTIME_CLASS(CMain));
}

void CMainFrame::OnOptions() {
    SwitchToView(ORV_RUNTIME_CLASS(COptions));
}

void CMainFrame::OnAbout() {
    CSurveyData* data = m_setup.pData;
    if (data != nullptr) {
        const CStoreLock lock(*data);
        data->m_bRefreshEnabled = 0;
    }
    CDialog about(AboutTemplate());
    if (auto* icon = dynamic_cast<CStatic*>(about.GetDlgItem(IDR_MAINFRAME)))
        icon->SetIcon(&ProgramIcon());
    about.DoModal();
    if (data != nullptr) {
        const CStoreLock lock(*data);
        data->m_bRefreshEnabled = 1;
    }
}

void CMainFrame::OnIncrementMarker() {
    int marker = 0;
    if (m_setup.pData != nullptr) {
        const CStoreLock lock(*m_setup.pData);
        m_setup.pData->m_nMarkerNumber = static_cast<int16_t>(m_setup.pData->m_nMarkerNumber + 1);
        marker = m_setup.pData->m_nMarkerNumber;
    }
    char text[48];
    std::snprintf(text, sizeof(text), "Marker is now %d.", marker);
    CMessageBox::Show(kMessageCaption, text);
    if (m_pRecorder) m_pRecorder->SetMarker(marker);
}

// The recorder clears the store's refresh flag around its own dialog and
// message boxes.
void CMainFrame::OnRecordData() {
    if (m_pRecorder) m_pRecorder->OnRecordData();
    UpdateTitle();
}

void CMainFrame::OnStopRecording() {
    if (m_pRecorder) m_pRecorder->OnStopRecording();
    UpdateTitle();
}

// The snapshot clears the store's refresh flag around its dialog.
void CMainFrame::OnSnapshot() {
    if (m_pSnapshot) m_pSnapshot->OnSnapshot(GetActiveView());
}

void CMainFrame::SetClickRun(bool bRun) {
    if (!m_pClickEngine) return;
    if (bRun) {
        // The run event is set before the Geiger screen's first paint hands
        // over its level; until then the engine would decide on whatever
        // level it last had (0 dBm at first, a click every block), so it
        // starts from the level the screen is about to show.
        if (m_setup.pData != nullptr) {
            const CStoreLock lock(*m_setup.pData);
            m_pClickEngine->SetLevel(CGeigerView::ClampLevel(m_setup.pData->m_nSelectedRssi));
        }
        m_pClickEngine->SetRunEvent();
    } else {
        m_pClickEngine->ResetRunEvent();
    }
}

void CMainFrame::StopBoardLink(int nGraceMs) {
    if (m_pGpsdFeed) m_pGpsdFeed->Stop();
    if (m_pReader) {
        m_pReader->RequestStop();
        Pause(nGraceMs);
        // The reader may still be inside a read after the grace period; the
        // port is closed only once it has left the loop.
        m_pReader->Stop();
        m_pReader.reset();
    }
    if (m_setup.pData != nullptr && m_pBoardPort) {
        const CStoreLock lock(*m_setup.pData);
        m_setup.pData->SetBoardPort(nullptr);
    }
    m_pReplayWatch = nullptr;
    m_pBoardPort.reset();
    m_pGpsdFeed.reset();
}

void CMainFrame::OnMinimize() {
    if (m_bShutDown) return;
    m_bShutDown = true;
    m_pIrLink.reset();
    StopBoardLink(m_setup.nShutdownGraceMs);
    OnClose();
}

void CMainFrame::OnClose() {
    CFrameWnd::OnClose();
}
