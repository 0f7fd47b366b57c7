#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CSurveyData;
class CView;

// The snapshot command: the active screen saved as a numbered JPEG file in
// the data folder, the number kept in a counter file there. GUI thread only.
class CSnapshot {
public:
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 265;
    static constexpr int kQuality = 100;
    static constexpr const char* kCounterFile = "ovimgcnt.cnt";
    static constexpr const char* kNameFormat = "ov%06lld.jpg";
    static constexpr const char* kDefaultExtension = ".JPG";
    static constexpr const char* kFilter = "Snapshot JPEG (*.jpg)|*.jpg|All Files (*.*)|*.*||";
    // The counter never passes this (18 digits), so it never wraps to a
    // number whose file may already exist.
    static constexpr long long kMaxNumber = 999999999999999999LL;

    struct Setup {
        CSurveyData* pData = nullptr;
        std::string strDataDir;
        // Plays a named sound cue.
        std::function<void(const char*)> playSound;
        // Asks for the file: the full path, or "" when the person cancels.
        // Default: the save-file dialog in the data folder.
        std::function<std::string(const std::string& folder, const std::string& name)> chooseFile;
        // Shows a message and waits until it is dismissed; default: a box.
        std::function<void(std::string_view)> showMessage;
    };

    explicit CSnapshot(Setup setup);

    // ID_SNAPSHOT on `view` (the active screen; null captures black).
    // 0 when a file was written, 1 when the person cancelled, -1 when the
    // file could not be written (the person has been told why).
    int OnSnapshot(const CView* view);

    // The view's own pixels, kWidth x kHeight RGB, top line first; what lies
    // outside a smaller view is black.
    static std::vector<uint8_t> CaptureView(const CView* view);

    // The number the counter file holds: its first line's leading decimal
    // number. A missing or unreadable file, or a line without a number or
    // below 1, gives 1; a number past kMaxNumber gives kMaxNumber.
    static long long ReadCounter(const std::string& path);
    static int WriteCounter(const std::string& path, long long number);
    static std::string ProposedName(long long number);

    std::string CounterPath() const;

    static std::string ChooseSnapshotFile(const std::string& folder, const std::string& name);

private:
    void SetRefresh(bool enabled);

    Setup m_setup;
};
