#pragma once

// 16-bit PCM mono WAV files: the game's sounds and the mix written by --sound-out. Plain C++, so
// that the sound generator in tools/ can share it without Qt.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace audio {

struct PcmClip {
    int sampleRate = 0;
    std::vector<std::int16_t> samples; // mono
};

// The whole file: a 44-byte header and the samples, little-endian.
std::vector<std::uint8_t> encodeWav(const PcmClip& clip);
// Only 16-bit PCM mono is read; anything else (or a cut-off file) is nullopt.
std::optional<PcmClip> decodeWav(std::span<const std::uint8_t> bytes);
std::optional<PcmClip> readWavFile(const std::string& path);
bool writeWavFile(const std::string& path, const PcmClip& clip);

// A WAV file written piece by piece: the header's sizes are filled in by finish() (or the
// destructor), so a file cut off by a crash still holds the samples written so far.
class WavStreamWriter {
public:
    WavStreamWriter(const std::string& path, int sampleRate);
    ~WavStreamWriter();
    WavStreamWriter(const WavStreamWriter&) = delete;
    WavStreamWriter& operator=(const WavStreamWriter&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    void append(std::span<const std::int16_t> samples);
    // Writes the final sizes and closes the file; false when any write failed.
    bool finish();
    long long samplesWritten() const { return written_; }

private:
    std::FILE* file_ = nullptr;
    int sampleRate_;
    long long written_ = 0;
    bool failed_ = false;
};

} // namespace audio
