#include "audio/SoundCues.h"

#include <memory>
#include <mutex>
#include <utility>

namespace {

struct Installed {
    SoundBank bank;
    SoundOutput output;
};

// Cues are played from the reader thread and the GUI thread while the
// application may reinstall (tests build several programs in one process):
// callers take a shared copy and play outside the lock.
std::mutex g_cueMutex;
std::shared_ptr<const Installed> g_pCues;

std::shared_ptr<const Installed> CurrentCues() {
    std::lock_guard<std::mutex> lock(g_cueMutex);
    return g_pCues;
}

}  // namespace

void InstallSoundCues(SoundBank bank, SoundOutput output) {
    auto cues = std::make_shared<const Installed>(Installed{std::move(bank), std::move(output)});
    std::lock_guard<std::mutex> lock(g_cueMutex);
    g_pCues = std::move(cues);
}

void ClearSoundCues() {
    std::lock_guard<std::mutex> lock(g_cueMutex);
    g_pCues.reset();
}

void PlayResourceSound(const char* name) {
    if (name == nullptr) return;
    const std::shared_ptr<const Installed> cues = CurrentCues();
    if (!cues || !cues->bank || !cues->output) return;
    const char* canonical = nullptr;
    std::span<const std::uint8_t> wave;
    if (!cues->bank(name, &canonical, &wave)) return;
    cues->output(canonical != nullptr ? canonical : name, wave);
}

void CSoundCueAdapter::PlayResourceSound(const char* name) {
    ::PlayResourceSound(name);
}
