#include "outputs/Snapshot.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "data/SurveyData.h"
#include "outputs/JpegWriter.h"
#include "platform/InputFile.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "ui/View.h"

namespace {
constexpr const char* kCaption = "Orvalis";
// The part of the counter file that is read: its first line, at most 80 bytes.
constexpr int kCounterLineMax = 80;
}  // namespace

CSnapshot::CSnapshot(Setup setup) : m_setup(std::move(setup)) {
    if (!m_setup.playSound) m_setup.playSound = [](const char*) {};
    if (!m_setup.chooseFile) m_setup.chooseFile = &CSnapshot::ChooseSnapshotFile;
    if (!m_setup.showMessage) {
        m_setup.showMessage = [](std::string_view text) { CMessageBox::Show(kCaption, text); };
    }
}

std::string CSnapshot::ChooseSnapshotFile(const std::string& folder, const std::string& name) {
    CFileDialog dialog(kDefaultExtension, name, kFilter, folder);
    if (dialog.DoModal() != IDOK) return std::string();
    return dialog.GetPathName();
}

std::string CSnapshot::CounterPath() const {
    return (std::filesystem::path(m_setup.strDataDir) / kCounterFile).string();
}

std::vector<uint8_t> CSnapshot::CaptureView(const CView* view) {
    std::vector<uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 3, 0);
    if (view == nullptr) return pixels;
    const CBitmap& surface = view->GetSurface().Bitmap();
    const int columns = std::min(kWidth, surface.Width());
    const int rows = std::min(kHeight, surface.Height());
    for (int y = 0; y < rows; ++y) {
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * kWidth * 3, surface.Row(y),
                    static_cast<std::size_t>(columns) * 3);
    }
    return pixels;
}

long long CSnapshot::ReadCounter(const std::string& path) {
    // Only a regular file counts: a FIFO of that name would block the GUI
    // thread on its open.
    std::FILE* file = OpenInputFile(path);
    if (file == nullptr) return 1;
    char line[kCounterLineMax + 1] = {};
    const bool bRead = std::fgets(line, sizeof(line), file) != nullptr;
    std::fclose(file);
    if (!bRead) return 1;
    const char* p = line;
    while (*p == ' ' || *p == '\t') ++p;
    bool bNegative = false;
    if (*p == '+' || *p == '-') bNegative = *p++ == '-';
    if (*p < '0' || *p > '9') return 1;
    long long number = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const int digit = *p - '0';
        number = number > (kMaxNumber - digit) / 10 ? kMaxNumber + 1 : number * 10 + digit;
    }
    if (bNegative || number < 1) return 1;
    return std::min(number, kMaxNumber);
}

int CSnapshot::WriteCounter(const std::string& path, long long number) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return -1;
    const bool bWritten = std::fprintf(file, "%lld\n", number) > 0;
    return (std::fclose(file) == 0 && bWritten) ? 0 : -1;
}

std::string CSnapshot::ProposedName(long long number) {
    char name[40];
    std::snprintf(name, sizeof(name), kNameFormat, number);
    return name;
}

void CSnapshot::SetRefresh(bool enabled) {
    if (m_setup.pData == nullptr) return;
    const CStoreLock lock(*m_setup.pData);
    m_setup.pData->m_bRefreshEnabled = enabled ? 1 : 0;
}

int CSnapshot::OnSnapshot(const CView* view) {
    m_setup.playSound("CAMERA");
    SetRefresh(false);
    const std::vector<uint8_t> pixels = CaptureView(view);
    const std::string counterPath = CounterPath();
    const long long number = ReadCounter(counterPath);
    const std::string path = m_setup.chooseFile(m_setup.strDataDir, ProposedName(number));
    int rc = 1;
    if (!path.empty()) {
        rc = WriteJpegFile(path.c_str(), kWidth, kHeight, kQuality, pixels.data());
        if (rc < 0) {
            // The library's own messages do not say which file they are about.
            std::string text = GetJpegErrorText();
            if (text.find(path) == std::string::npos) text += "\n" + path;
            m_setup.showMessage(text);
        }
        // The number is used up by every confirmed dialog, written or not.
        WriteCounter(counterPath, std::min(number + 1, kMaxNumber));
    }
    SetRefresh(true);
    return rc;
}
