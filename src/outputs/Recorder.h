#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "outputs/PacketLog.h"

class CSurveyData;

// The recording commands of the main frame: Record Data, Stop recording data,
// the marker handed to the recording, and the UM_LOG_PACKET handler. It owns
// the active recording (at most one) and registers it with the store as the
// packet stager while it records. GUI thread only.
class CRecorder {
public:
    static constexpr const char* kDefaultExtension = ".ov";
    static constexpr const char* kInitialName = "ovlog.ov";
    static constexpr const char* kFilter = "Orvalis Log Files (*.ov)|*.ov|All Files (*.*)|*.*||";

    struct Setup {
        CSurveyData* pData = nullptr;
        // The folder the save-file dialog opens in (the data folder).
        std::string strDataDir;
        // The platform's exclamation beep; default: the GUI loop's.
        std::function<void()> beep;
        // Asks for the log file: the full path, or "" when the person
        // cancels. Default: the save-file dialog in strDataDir.
        std::function<std::string(const std::string& folder)> chooseFile;
        // Shows a message and waits for it to be dismissed; default: a
        // message box.
        CPacketLog::MessageFn showMessage;
    };

    explicit CRecorder(Setup setup);
    // A recording still running keeps every record: what is queued is
    // written, and the file closed.
    ~CRecorder();
    CRecorder(const CRecorder&) = delete;
    CRecorder& operator=(const CRecorder&) = delete;

    // ID_RECORD_DATA: asks for a file; a recording already running is closed
    // before the new file is opened. Cancelling changes nothing.
    void OnRecordData();
    // ID_STOP_RECORDING: stops and closes the active recording, if any, and
    // tells the person how many packets it had to drop, if it dropped any
    // (or that the file refused what was still queued).
    void OnStopRecording();
    // ID_INCREMENT_MARKER, after the new number was shown: the active
    // recording's next record carries "Marker #<number>".
    void SetMarker(int markerNumber);
    // UM_LOG_PACKET: writes every packet queued for the active recording.
    // When the file refuses a record (disk full) the recording stops and the
    // person is told which file and why (FailureMessage).
    void OnLogPacket();
    static std::string FailureMessage(const std::string& path, const std::string& reason);

    CPacketLog* GetActive() const { return m_pLog.get(); }

    // The save-file dialog of ID_RECORD_DATA, opened in `folder`.
    static std::string ChooseLogFile(const std::string& folder);

private:
    void SetRefresh(bool enabled);
    // Detaches the active recording from the store, then closes it; with
    // `tell`, says why it failed or how many packets it dropped.
    void StopActive(bool tell);

    Setup m_setup;
    std::unique_ptr<CPacketLog> m_pLog;
};
