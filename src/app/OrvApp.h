#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "OrvVersion.h"
#include "app/MainFrame.h"
#include "app/OrvDoc.h"
#include "ui/CmdTarget.h"

class CAudioOutput;
class CSurveyData;
class CUiLoop;
class CView;

// Standard command ids the accelerators send.
inline constexpr unsigned ID_FILE_NEW = 57600;
inline constexpr unsigned ID_FILE_OPEN = 57601;
inline constexpr unsigned ID_FILE_SAVE = 57603;
inline constexpr unsigned ID_APP_EXIT = 57665;
inline constexpr unsigned ID_EDIT_UNDO = 57643;
inline constexpr unsigned ID_EDIT_CUT = 57635;
inline constexpr unsigned ID_EDIT_COPY = 57634;
inline constexpr unsigned ID_EDIT_PASTE = 57637;

// The single-document template: the document, frame and first view it binds.
struct CSingleDocTemplate {
    unsigned nIdResource = 0;
    std::string strDocString;
    const CRuntimeClass* pFrameClass = nullptr;
    const CRuntimeClass* pViewClass = nullptr;
};

// How the application is wired to its surroundings; the host program fills
// it from the command line.
struct AppOptions {
    // The folder that stands for the device's root folder.
    std::string strDataDir;
    // Builds the serial line to the board (see CMainFrame::PortFactory).
    CMainFrame::PortFactory openBoardPort;
    // Told of every screen switch, the start-up screen included.
    std::function<void(CView*)> onViewChanged;
    // Initialises the link transport the infrared link uses; 0 or -1.
    // Empty: the platform's own initialisation.
    std::function<int()> initLinkTransport;
    int nStartupPauseMs = 2000;
    int nShutdownGraceMs = 500;
    // The sound device the Geiger clicks play on (it outlives the
    // application); nullptr: a null sink.
    CAudioOutput* pClickOutput = nullptr;
    // The peers of the forwarding link (--link-peer).
    std::vector<LinkPeer> linkPeers;
    // The gpsd of --gps / ORVALIS_GPS, if any.
    std::optional<GpsdAddress> gpsd;
    // The board link for the window title, and who shows the title (see
    // CMainFrame::Setup).
    std::string strBoardSource;
    std::function<void(const std::string&)> onTitleChanged;
};

// The application object: the start-up sequence, the document template and
// the standard New/Open/Exit commands. The GUI loop must exist first; the
// caller runs it after InitInstance.
class COrvApp : public CCmdTarget {
public:
    static constexpr const char* kTitle = "Orvalis " ORV_VERSION;
    static constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
    static constexpr const char* kDocString = "orv\n\nOrv\n\n\nOrv.Document\nOrv Document";
    static constexpr const char* kSocketsFailed = "Windows sockets initialization failed.";

    COrvApp(CUiLoop& loop, AppOptions options);
    ~COrvApp() override;
    COrvApp(const COrvApp&) = delete;
    COrvApp& operator=(const COrvApp&) = delete;

    // The start-up sequence. 0, or -1 when the program cannot start (the
    // reason has been shown).
    int InitInstance();

    CUiLoop& Loop() { return m_loop; }
    CSurveyData& Data() { return *m_pData; }
    CMainFrame* GetMainFrame() const { return m_pFrame.get(); }
    COrvDoc* GetDocument() const { return m_pDoc.get(); }
    const CSingleDocTemplate& GetDocTemplate() const { return m_docTemplate; }
    const std::string& GetRegistryKey() const { return m_strRegistryKey; }
    const std::string& GetDataDir() const { return m_options.strDataDir; }

    // Ignores SIGPIPE, so that a peer closing the infrared link's stream
    // socket reports an error instead of ending the program. 0 or -1.
    static int InitLinkTransport();

private:
    // New: frame (with its creation sequence), document and start-up view.
    int OnFileNew();

    CUiLoop& m_loop;
    AppOptions m_options;
    std::unique_ptr<CSurveyData> m_pData;
    CSingleDocTemplate m_docTemplate;
    std::string m_strRegistryKey;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::unique_ptr<COrvDoc> m_pDoc;
};
