#pragma once
// The chime: a WAV file played in the background, the way the classic
// asynchronous play call does it. The caller hands over a path and goes on at
// once; it never learns whether anything was heard. A missing or unplayable
// file plays the default sound instead; a machine without a sound device
// stays silent and says nothing. The player runs beside the program and is
// never waited on: at the end of the program it gets a moment to stop, and
// one stuck in a device that does not answer is left to end with it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Starts playing the file at `programPath` (a program path such as
// "C:\prog\CHIME2.WAV") and returns at once. A sound still playing, or still
// waiting to play, gives way to the new one.
void PlaySoundAsync(const std::string& programPath);

// Test hook: while set, PlaySoundAsync hands its path to `player` instead of
// playing anything. An empty function restores the real player.
void SetSoundPlayerForTest(std::function<void(const std::string&)> player);

// Test hook: waits until the real player has nothing left to play; false when
// it is still busy after `timeoutMs`.
bool WaitUntilSoundIdleForTest(int timeoutMs);

// Interleaved PCM samples as they stand in a WAV file: 8-bit unsigned or
// 16-bit signed little-endian, one or two channels.
struct PcmSound {
    unsigned rate = 0;
    unsigned channels = 0;
    unsigned bits = 0;
    std::vector<std::uint8_t> samples;   // whole frames only
    bool operator==(const PcmSound&) const = default;
};

// The sound in a RIFF WAVE file's bytes, or nothing when they are not a PCM
// sound this player can play.
std::optional<PcmSound> ParseWav(std::string_view bytes);

// The platform's default sound: a short ding made in code.
const PcmSound& DefaultSound();

// What a request for the file at `nativePath` plays: the file's own sound, or
// the default sound when the file is missing or cannot be played.
PcmSound SoundForFile(const std::string& nativePath);

} // namespace kv
