#include "platform/audio/wav_format.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

namespace audio {

namespace {

constexpr std::size_t HeaderBytes = 44;

void put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = std::uint8_t(v & 0xff);
    p[1] = std::uint8_t(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t((v >> (8 * i)) & 0xff);
}

std::uint16_t get16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

std::uint32_t get32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

std::array<std::uint8_t, HeaderBytes> header(int sampleRate, std::uint32_t dataBytes)
{
    std::array<std::uint8_t, HeaderBytes> h{};
    std::memcpy(h.data(), "RIFF", 4);
    put32(h.data() + 4, 36 + dataBytes);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(h.data() + 16, 16);
    put16(h.data() + 20, 1); // PCM
    put16(h.data() + 22, 1); // mono
    put32(h.data() + 24, std::uint32_t(sampleRate));
    put32(h.data() + 28, std::uint32_t(sampleRate) * 2);
    put16(h.data() + 32, 2);
    put16(h.data() + 34, 16);
    std::memcpy(h.data() + 36, "data", 4);
    put32(h.data() + 40, dataBytes);
    return h;
}

} // namespace

std::vector<std::uint8_t> encodeWav(const PcmClip& clip)
{
    const auto h = header(clip.sampleRate, std::uint32_t(clip.samples.size() * 2));
    std::vector<std::uint8_t> out(h.begin(), h.end());
    out.resize(HeaderBytes + clip.samples.size() * 2);
    for (std::size_t i = 0; i < clip.samples.size(); ++i)
        put16(out.data() + HeaderBytes + 2 * i, std::uint16_t(clip.samples[i]));
    return out;
}

// Walks the chunks, so files with extra chunks (LIST, fact) before the data are read too.
std::optional<PcmClip> decodeWav(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    std::optional<PcmClip> clip;
    bool formatOk = false;
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const std::uint8_t* chunk = bytes.data() + pos;
        const std::uint32_t size = get32(chunk + 4);
        if (size > bytes.size() - pos - 8)
            return std::nullopt;
        const std::uint8_t* body = chunk + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || get16(body) != 1 || get16(body + 2) != 1 || get16(body + 14) != 16)
                return std::nullopt;
            const std::uint32_t rate = get32(body + 4);
            if (rate == 0 || rate > 384000)
                return std::nullopt;
            clip = PcmClip{int(rate), {}};
            formatOk = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!formatOk)
                return std::nullopt;
            clip->samples.resize(size / 2);
            for (std::size_t i = 0; i < clip->samples.size(); ++i)
                clip->samples[i] = std::int16_t(get16(body + 2 * i));
            return clip;
        }
        pos += 8 + size + (size & 1u); // chunks are padded to even sizes
    }
    return std::nullopt;
}

std::optional<PcmClip> readWavFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return decodeWav(bytes);
}

bool writeWavFile(const std::string& path, const PcmClip& clip)
{
    const std::vector<std::uint8_t> bytes = encodeWav(clip);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

WavStreamWriter::WavStreamWriter(const std::string& path, int sampleRate)
    : file_(std::fopen(path.c_str(), "wb")), sampleRate_(sampleRate)
{
    if (!file_)
        return;
    const auto h = header(sampleRate_, 0);
    failed_ = std::fwrite(h.data(), 1, h.size(), file_) != h.size();
}

WavStreamWriter::~WavStreamWriter()
{
    finish();
}

void WavStreamWriter::append(std::span<const std::int16_t> samples)
{
    if (!file_ || samples.empty())
        return;
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        put16(bytes.data() + 2 * i, std::uint16_t(samples[i]));
    failed_ = failed_ || std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size();
    written_ += static_cast<long long>(samples.size());
}

bool WavStreamWriter::finish()
{
    if (!file_)
        return !failed_;
    // A RIFF size field holds 32 bits: a run of more than 13 hours at 44.1 kHz keeps the maximum.
    const long long dataBytes = written_ * 2;
    const auto h = header(sampleRate_, std::uint32_t(std::min<long long>(dataBytes, std::numeric_limits<std::uint32_t>::max() - 36)));
    failed_ = failed_ || std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(h.data(), 1, h.size(), file_) != h.size();
    failed_ = std::fclose(file_) != 0 || failed_;
    file_ = nullptr;
    return !failed_;
}

} // namespace audio
