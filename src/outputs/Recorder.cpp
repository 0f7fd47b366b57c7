#include "outputs/Recorder.h"

#include <cstdio>

#include "data/SurveyData.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "ui/UiLoop.h"

namespace {
constexpr const char* kCaption = "Orvalis";
}  // namespace

CRecorder::CRecorder(Setup setup) : m_setup(std::move(setup)) {
    if (!m_setup.beep) {
        m_setup.beep = [] {
            if (CUiLoop* loop = CUiLoop::Get()) loop->MessageBeep();
        };
    }
    if (!m_setup.chooseFile) m_setup.chooseFile = &CRecorder::ChooseLogFile;
    if (!m_setup.showMessage) {
        m_setup.showMessage = [](std::string_view text) { CMessageBox::Show(kCaption, text); };
    }
}

CRecorder::~CRecorder() {
    StopActive(false);
}

std::string CRecorder::ChooseLogFile(const std::string& folder) {
    CFileDialog dialog(kDefaultExtension, kInitialName, kFilter, folder);
    // The proposed name is the same every time: without the question, a
    // second recording would silently replace the first survey.
    dialog.SetOverwritePrompt(true);
    if (dialog.DoModal() != IDOK) return std::string();
    return dialog.GetPathName();
}

void CRecorder::SetRefresh(bool enabled) {
    if (m_setup.pData == nullptr) return;
    const CStoreLock lock(*m_setup.pData);
    m_setup.pData->m_bRefreshEnabled = enabled ? 1 : 0;
}

void CRecorder::StopActive(bool tell) {
    if (m_setup.pData != nullptr) {
        // Once the store lock has been taken with the flag clear, the reader
        // thread can no longer be staging into the recording.
        const CStoreLock lock(*m_setup.pData);
        m_setup.pData->m_bRecording = 0;
        m_setup.pData->SetPacketStager(nullptr);
    }
    if (!m_pLog) return;
    m_pLog->Close();
    const uint64_t dropped = m_pLog->DroppedPackets();
    const std::string failure =
        m_pLog->Failed() ? FailureMessage(m_pLog->GetPath(), m_pLog->FailureReason()) : "";
    m_pLog.reset();
    if (!tell) return;
    if (!failure.empty()) {
        m_setup.showMessage(failure);
    } else if (dropped != 0) {
        char text[96];
        std::snprintf(text, sizeof(text), "%llu packets could not be recorded.",
                      static_cast<unsigned long long>(dropped));
        m_setup.showMessage(text);
    }
}

void CRecorder::OnRecordData() {
    m_setup.beep();
    SetRefresh(false);
    const std::string path = m_setup.chooseFile(m_setup.strDataDir);
    if (!path.empty()) {
        if (m_setup.pData != nullptr) {
            const CStoreLock lock(*m_setup.pData);
            m_setup.pData->m_strLogFile = path;
        }
        StopActive(true);
        auto log = std::make_unique<CPacketLog>(path, m_setup.showMessage);
        if (log->Open() == 0) {
            m_pLog = std::move(log);
            if (m_setup.pData != nullptr) {
                const CStoreLock lock(*m_setup.pData);
                m_setup.pData->SetPacketStager(m_pLog.get());
                m_setup.pData->m_bRecording = 1;
            }
        }
    }
    SetRefresh(true);
}

void CRecorder::OnStopRecording() {
    m_setup.beep();
    SetRefresh(false);
    StopActive(true);
    SetRefresh(true);
}

void CRecorder::SetMarker(int markerNumber) {
    if (!m_pLog) return;
    char text[24];
    std::snprintf(text, sizeof(text), "Marker #%d", markerNumber);
    m_pLog->SetMarker(text);
}

void CRecorder::OnLogPacket() {
    if (!m_pLog) return;
    m_pLog->WriteRecord();
    // The file refused a record: the recording stops at once, so that the
    // log ends at its last whole record and nothing follows a gap.
    if (m_pLog->Failed()) StopActive(true);
}

std::string CRecorder::FailureMessage(const std::string& path, const std::string& reason) {
    return "Recording stopped: could not write " + path + " (" + reason + ").";
}
