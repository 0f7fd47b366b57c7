#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "audio/SoundCues.h"
#include "board/BoardPort.h"
#include "board/BoardReaderThread.h"
#include "board/PacketFramer.h"
#include "data/Messages.h"
#include "gpsd/GpsdSource.h"
#include "platform/LinkSocket.h"
#include "screens/ScreenNavigator.h"
#include "ui/DialogTemplate.h"
#include "ui/FrameWnd.h"

class CAudioOutput;
class CClickEngine;
class CSurveyData;
class CScreenFurniture;
class CRecorder;
class CIrLink;
class CGpsdFeed;
class CSnapshot;
class CUiLoop;
class CReplayEndWatch;
class ISerialPort;

// The one top-level window. Its creation starts the program's singletons
// (screen furniture, board port, reader thread); it carries out the command
// bar's commands, handles the four user messages the board side posts, and
// switches the visible screen.
//
// To the store it is the notification window: the dispatcher posts through
// PostMessage on the reader thread and the messages are handled on the GUI
// thread by OnPostedMessage.
class CMainFrame : public CFrameWnd, public IScreenNavigator, public IMessagePoster {
    ORV_DECLARE_DYNAMIC(CMainFrame)
public:
    // Builds the serial line to the board when the frame opens it (step 7 of
    // the creation). It may return a port that is not open, or nullptr; the
    // program then runs without a board.
    using PortFactory = std::function<std::unique_ptr<ISerialPort>()>;

    struct Setup {
        CUiLoop* pLoop = nullptr;
        CSurveyData* pData = nullptr;
        PortFactory openPort;
        // The pause before the reader starts, and the grace the reader gets
        // at shutdown.
        int nStartupPauseMs = 2000;
        int nShutdownGraceMs = 500;
        // The folder that stands for the device's root folder.
        std::string strDataDir;
        // The output the click engine plays on; nullptr: a null sink of the
        // frame's own, which takes the blocks at the pace they would play.
        CAudioOutput* pClickOutput = nullptr;
        // The peers the forwarding link tries, in order.
        std::vector<LinkPeer> linkPeers;
        // The gpsd whose positions stand in for a board without a GPS
        // receiver (--gps); none: no gpsd source.
        std::optional<GpsdAddress> gpsd;
        // What the board link is, for the window title ("simulated board",
        // the port's path, "replay FILE").
        std::string strBoardSource;
        // Told the window title whenever it changes; empty: no title is kept.
        std::function<void(const std::string&)> onTitleChanged;
    };

    // Caption of the frame's own message boxes.
    static constexpr const char* kMessageCaption = "Orvalis";
    // Said once when the board's line goes away.
    static constexpr const char* kBoardLostText = "Connection to the board lost.";
    // Posted by the reader thread when the board's line is lost or back;
    // the frame's own, above the board side's messages.
    static constexpr unsigned UM_BOARD_LINK = WM_APP + 120;

    // The command-bar buttons and their tooltip texts, in button order.
    static constexpr int kCommandCount = 9;
    static const unsigned kCommandIds[kCommandCount];
    static const char* const kCommandTexts[kCommandCount];

    explicit CMainFrame(Setup setup);
    ~CMainFrame() override;

    // The creation sequence; 0, or -1 when the frame cannot be created.
    int OnCreate();

    // IScreenNavigator.
    void SwitchToView(const CRuntimeClass* pClass) override;
    void HandleScreenGrid(int x, int y, int ownCell) override;

    // IMessagePoster: any thread, never waits. The store calls it with its
    // lock held, which lets the alert keep the MAC text of its own alarm.
    void PostMessage(unsigned message) override;

    void OnPostedMessage(const PostedMessage& msg) override;
    // Minimising shuts the program down: reader stopped, port closed, frame
    // closed.
    void OnMinimize() override;
    void OnClose() override;

    CBoardPort* GetBoardPort() const { return m_pBoardPort.get(); }
    // The board link as the person has been told it (GUI thread): Lost from
    // the message that told of the loss until the one that tells of the
    // board's return.
    CBoardPort::LinkState BoardLinkState() const { return m_eToldLinkState; }
    CBoardReader* GetBoardReader() const { return m_pReader.get(); }
    CRecorder* GetRecorder() const { return m_pRecorder.get(); }
    CClickEngine* GetClickEngine() const { return m_pClickEngine.get(); }
    // The click kernel file under the data folder: windows/spike.wav.
    static std::string ClickKernelPath(const std::string& strDataDir);
    CIrLink* GetIrLink() const { return m_pIrLink.get(); }
    CGpsdFeed* GetGpsdFeed() const { return m_pGpsdFeed.get(); }
    const std::string& GetDataDir() const { return m_setup.strDataDir; }
    // The alert texts waiting for their box (tests).
    std::size_t PendingAlerts() const;
    // The text of the alert box for `mac` with `nMore` alerts behind it.
    static std::string AlertText(const std::string& mac, std::size_t nMore);

    // The About box's template (132).
    static DialogTemplate AboutTemplate();

    // The desktop window's title now: the program and its version, what the
    // board link is (or that a replay has ended, or that there is no board),
    // and the recording with its file and elapsed time.
    std::string ComposeTitle() const;
    // Tells the title listener when the title has changed. Cheap to call:
    // the frame calls it after its recording commands and once a second.
    void UpdateTitle();

protected:
    // Gives each screen the store and the furniture.
    void OnViewAdded(CView& view) override;

private:
    void BuildCommandBar();
    void OnGotoMainMenu();
    void OnOptions();
    void OnAbout();
    void OnIncrementMarker();
    void OnRecordData();
    void OnStopRecording();
    void OnSnapshot();
    void OnUnauthorizedAp();
    void OnLogPacket();
    void OnIrSend();
    // The board's line was lost or is back: title, message, board mode.
    void OnBoardLink();
    // The click engine's run event: set while the Geiger screen may click.
    void SetClickRun(bool bRun);
    void CreateClickEngine();
    // Stops the reader and closes the port; the store forgets both.
    void StopBoardLink(int nGraceMs);

    Setup m_setup;
    // The replay as the title sees it (nullptr when the board is not a
    // replay); it lives inside m_pBoardPort.
    const CReplayEndWatch* m_pReplayWatch = nullptr;
    bool m_bBoardOpen = false;
    // The recording the title counts the time of, and since when.
    const void* m_pTitleLog = nullptr;
    std::chrono::steady_clock::time_point m_recordStart{};
    std::string m_strTitle;
    std::unique_ptr<CScreenFurniture> m_pFurniture;
    std::unique_ptr<CBoardPort> m_pBoardPort;
    CPacketFramer m_framer;
    CSoundCueAdapter m_soundCues;
    std::unique_ptr<CBoardReader> m_pReader;
    // Between the reader and the store when --gps names a gpsd; outlives
    // the reader, which hands it every packet.
    std::unique_ptr<CGpsdFeed> m_pGpsdFeed;
    // The recording commands; gone before the store's notification window
    // is cleared, so no packet is staged into a closed recording.
    std::unique_ptr<CRecorder> m_pRecorder;
    std::unique_ptr<CSnapshot> m_pSnapshot;
    // The forwarding link; its worker reads the store's switch, so it goes
    // before the store is let go.
    std::unique_ptr<CIrLink> m_pIrLink;
    bool m_bShutDown = false;
    CBoardPort::LinkState m_eToldLinkState = CBoardPort::LinkState::NoBoard;
    bool m_bLossBoxShown = false;
    std::unique_ptr<CAudioOutput> m_pNullSink;
    // Stopped before the output it plays on goes.
    std::unique_ptr<CClickEngine> m_pClickEngine;

    // MAC texts of the alarms posted and not yet shown, oldest first, each
    // once (leaf lock). Alarms beyond kMaxWaitingAlerts are not kept: the
    // access point raises its alarm again the next time it is heard.
    static constexpr std::size_t kMaxWaitingAlerts = 256;
    mutable std::mutex m_alertMutex;
    std::deque<std::string> m_alertMacs;
    std::unordered_set<std::string> m_waitingAlertSet;  // of m_alertMacs
    // The MAC whose box is up (GUI thread writes, posters read, under
    // m_alertMutex); the loop that shows the boxes runs once at a time.
    std::string m_strShownAlert;
    bool m_bAlertShowing = false;
};
