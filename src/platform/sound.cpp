#include "platform/sound.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <numbers>
#include <system_error>
#include <thread>

namespace kv {
namespace {

using SteadyClock = std::chrono::steady_clock;

std::function<void(const std::string&)> g_testPlayer;

// --- WAV reading ---------------------------------------------------------------

std::uint32_t U16(std::string_view b, std::size_t at)
{
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8;
}

std::uint32_t U32(std::string_view b, std::size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

constexpr std::uint32_t FormatPcm = 1;
constexpr std::uint32_t FormatExtensible = 0xFFFE;
// A file larger than this is not a chime; reading it whole would only cost memory.
constexpr std::streamoff MaxFileBytes = 64 * 1024 * 1024;

// --- the default sound -----------------------------------------------------------

PcmSound MakeDing()
{
    // A bell-like tone: a fundamental and a softer fifth above it, a 5 ms
    // attack so it does not click, and an exponential decay.
    constexpr unsigned rate = 22050;
    constexpr double seconds = 0.4;
    const auto frames = static_cast<std::size_t>(rate * seconds);
    PcmSound s;
    s.rate = rate;
    s.channels = 1;
    s.bits = 16;
    s.samples.reserve(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double envelope = std::min(1.0, t / 0.005) * std::exp(-t / 0.09);
        const double wave = 0.75 * std::sin(2 * std::numbers::pi * 880.0 * t)
                          + 0.25 * std::sin(2 * std::numbers::pi * 1320.0 * t);
        const auto v = static_cast<std::int16_t>(std::lround(wave * envelope * 0.45 * 32767));
        const auto u = static_cast<std::uint16_t>(v);
        s.samples.push_back(static_cast<std::uint8_t>(u & 0xFF));
        s.samples.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return s;
}

// --- the worker ------------------------------------------------------------------

// ALSA reports every failure on stderr unless told otherwise; a machine
// without sound must stay quiet.
void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

class SoundWorker {
public:
    SoundWorker() = default;
    SoundWorker(const SoundWorker&) = delete;
    SoundWorker& operator=(const SoundWorker&) = delete;

    // The end of the program: the player is asked to stop and given `grace`
    // to do so. A player stuck in a device that does not answer is left
    // behind, to end with the process; the program never waits on it.
    void StopForExit(std::chrono::milliseconds grace)
    {
        std::unique_lock lock(mutex_);
        stop_ = true;
        wake_.notify_all();
        const bool finished = idle_.wait_for(lock, grace, [this] { return finished_; });
        lock.unlock();
        if (!thread_.joinable()) return;
        if (finished)
            thread_.join();
        else
            thread_.detach();
    }

    void Request(std::string nativePath)
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(nativePath);
        hasPending_ = true;
        if (!thread_.joinable()) {
            snd_lib_error_set_handler(&SilentAlsaErrors);
            try {
                thread_ = std::thread([this] { Run(); });
            } catch (const std::system_error&) {
                // No thread, no sound: the run goes on without its chime.
                hasPending_ = false;
                return;
            }
        }
        wake_.notify_all();
    }

    bool WaitIdle(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        return idle_.wait_for(lock, timeout, [this] { return !hasPending_ && !busy_; });
    }

    // True when the sound now playing should stop: a newer request or the end
    // of the program.
    bool Interrupted()
    {
        std::lock_guard lock(mutex_);
        return stop_ || hasPending_;
    }

    // Waits up to `d`; true when interrupted meanwhile.
    bool Pause(std::chrono::milliseconds d)
    {
        std::unique_lock lock(mutex_);
        return wake_.wait_for(lock, d, [this] { return stop_ || hasPending_; });
    }

private:
    void Run()
    {
        for (;;) {
            std::string path;
            {
                std::unique_lock lock(mutex_);
                busy_ = false;
                idle_.notify_all();
                wake_.wait(lock, [this] { return stop_ || hasPending_; });
                if (stop_) {
                    finished_ = true;
                    idle_.notify_all();
                    return;
                }
                path = std::move(pending_);
                hasPending_ = false;
                busy_ = true;
            }
            Play(SoundForFile(path));
        }
    }

    void Play(const PcmSound& sound);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::string pending_;
    bool hasPending_ = false;
    bool busy_ = false;
    bool stop_ = false;
    bool finished_ = false;
    std::thread thread_;
};

// Plays through the default device without ever blocking for long: the
// device is opened non-blocking and every wait is bounded, so a newer request
// or the end of the program always gets through, even to a stuck device.
void SoundWorker::Play(const PcmSound& sound)
{
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return;
    struct Closer {
        snd_pcm_t* p;
        ~Closer() { snd_pcm_close(p); }
    } closer{pcm};

    const snd_pcm_format_t format = sound.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, sound.channels, sound.rate,
                           1, 100000) < 0)
        return;

    const std::size_t frameBytes = sound.channels * sound.bits / 8;
    const std::size_t total = sound.samples.size() / frameBytes;
    const auto length = std::chrono::milliseconds(total * 1000 / sound.rate);
    const auto deadline = SteadyClock::now() + length + std::chrono::seconds(1);

    std::size_t done = 0;
    while (done < total) {
        if (Interrupted() || SteadyClock::now() > deadline) {
            snd_pcm_drop(pcm);
            return;
        }
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, sound.samples.data() + done * frameBytes,
                                                   static_cast<snd_pcm_uframes_t>(total - done));
        if (n == -EAGAIN) {
            if (const int w = snd_pcm_wait(pcm, 50); w < 0 && snd_pcm_recover(pcm, w, 1) < 0) return;
            continue;
        }
        if (n < 0) {
            if (snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0) return;
            continue;
        }
        done += static_cast<std::size_t>(n);
    }

    // Let the tail play out. A sound shorter than the start threshold has not
    // started yet. Draining is avoided: some plugins block in it.
    if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm);
    while (snd_pcm_state(pcm) == SND_PCM_STATE_RUNNING && SteadyClock::now() < deadline) {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm, &delay) < 0 || delay <= 0) break;
        if (Pause(std::chrono::milliseconds(20))) break;
    }
    snd_pcm_drop(pcm);
}

// How long the end of the program waits for the player to stop.
constexpr std::chrono::milliseconds ExitGrace{300};

// Made on the first request and never destroyed, so a thread stuck in the
// sound library can never touch a destroyed player. At exit it is asked to
// stop, for a moment at most.
SoundWorker& Worker()
{
    static SoundWorker* const worker = [] {
        auto* w = new SoundWorker;
        std::atexit([] { Worker().StopForExit(ExitGrace); });
        return w;
    }();
    return *worker;
}

} // namespace

std::optional<PcmSound> ParseWav(std::string_view b)
{
    if (b.size() < 12 || b.substr(0, 4) != "RIFF" || b.substr(8, 4) != "WAVE") return std::nullopt;

    bool haveFormat = false, haveData = false;
    std::uint32_t tag = 0, channels = 0, rate = 0, blockAlign = 0, bits = 0;
    std::string_view data;
    std::size_t at = 12;
    while (b.size() - at >= 8) {
        const std::string_view id = b.substr(at, 4);
        const std::size_t size = U32(b, at + 4);
        const std::size_t start = at + 8;
        // A chunk cut short by the end of the file keeps what is there.
        const std::size_t avail = std::min(size, b.size() - start);
        if (id == "fmt " && !haveFormat && avail >= 16) {
            tag = U16(b, start);
            channels = U16(b, start + 2);
            rate = U32(b, start + 4);
            blockAlign = U16(b, start + 12);
            bits = U16(b, start + 14);
            // The extensible layout names its true format in a sub-format
            // GUID whose first two bytes are the plain format tag.
            if (tag == FormatExtensible && avail >= 26) tag = U16(b, start + 24);
            haveFormat = true;
        } else if (id == "data" && !haveData) {
            data = b.substr(start, avail);
            haveData = true;
        }
        if (size >= b.size() - start) break;
        at = start + size + (size & 1);   // chunks are padded to even sizes
    }

    if (!haveFormat || !haveData || tag != FormatPcm) return std::nullopt;
    if (channels != 1 && channels != 2) return std::nullopt;
    if (bits != 8 && bits != 16) return std::nullopt;
    if (rate < 4000 || rate > 192000) return std::nullopt;
    const std::uint32_t frameBytes = channels * bits / 8;
    if (blockAlign != frameBytes) return std::nullopt;
    const std::size_t usable = data.size() - data.size() % frameBytes;
    if (usable == 0) return std::nullopt;

    PcmSound s;
    s.rate = rate;
    s.channels = channels;
    s.bits = bits;
    s.samples.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(usable));
    return s;
}

const PcmSound& DefaultSound()
{
    static const PcmSound ding = MakeDing();
    return ding;
}

PcmSound SoundForFile(const std::string& nativePath)
{
    if (nativePath.empty()) return DefaultSound();
    std::ifstream in(nativePath, std::ios::binary | std::ios::ate);
    if (!in) return DefaultSound();
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > MaxFileBytes) return DefaultSound();
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size)) return DefaultSound();
    if (auto sound = ParseWav(bytes)) return std::move(*sound);
    return DefaultSound();
}

void PlaySoundAsync(const std::string& programPath)
{
    if (g_testPlayer) {
        g_testPlayer(programPath);
        return;
    }
    // A path that cannot be translated names no file: the default sound.
    std::string native;
    try {
        native = NativePath(programPath);
    } catch (const RuntimeError&) {
    }
    Worker().Request(std::move(native));
}

void SetSoundPlayerForTest(std::function<void(const std::string&)> player)
{
    g_testPlayer = std::move(player);
}

bool WaitUntilSoundIdleForTest(int timeoutMs)
{
    return Worker().WaitIdle(std::chrono::milliseconds(timeoutMs));
}

} // namespace kv
