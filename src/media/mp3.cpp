// MP3 files decoded ahead of the mixer, with the library the mixer itself
// decodes them with. The mixer's own way (Mix_LoadWAV) grows its buffer 4 KB
// at a time and copies it over and over; the music's 4.8 MB cost it a few
// times the decoding. Here the buffer is sized once from the file's length.
#include <mpg123.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "media/sound.hpp"

namespace media {

namespace {

// What the mixer takes for an MP3: an ID3 tag or an MPEG audio frame's sync.
bool looks_like_mp3(const std::string& path) {
    unsigned char magic[3]{};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(magic), sizeof magic)) return false;
    return std::memcmp(magic, "ID3", 3) == 0 || (magic[0] == 0xFF && (magic[1] & 0xE6) == 0xE2);
}

struct HandleCloser {
    void operator()(mpg123_handle* handle) const { mpg123_delete(handle); }
};

}  // namespace

DecodedMp3 decode_mp3(const std::string& path) {
    if (!looks_like_mp3(path)) return {};
    int error = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleCloser> handle(mpg123_new(nullptr, &error));
    mpg123_handle* mp3 = handle.get();
    if (!mp3) return {};
    // 16-bit samples at the file's own rate and channels, nothing printed.
    mpg123_param(mp3, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(mp3);
    const long* rates = nullptr;
    std::size_t rate_count = 0;
    mpg123_rates(&rates, &rate_count);
    for (std::size_t i = 0; i < rate_count; ++i)
        mpg123_format(mp3, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

    DecodedMp3 decoded;
    int encoding = 0;
    if (mpg123_open(mp3, path.c_str()) != MPG123_OK ||
        mpg123_getformat(mp3, &decoded.rate, &decoded.channels, &encoding) != MPG123_OK)
        return {};
    // The length in samples per channel as the file's header tells it, the
    // encoder's delay and padding already cut off (the gapless information),
    // as the mixer plays it. The file must decode to exactly that many: when
    // it does not (a file cut short, a header missing or wrong) the mixer's
    // own reading decides, and it decodes the file itself.
    off_t length = mpg123_length(mp3);
    if (length <= 0) return {};
    std::size_t capacity = static_cast<std::size_t>(length) * static_cast<std::size_t>(decoded.channels);
    decoded.samples = std::make_unique_for_overwrite<std::int16_t[]>(capacity);

    auto* out = reinterpret_cast<unsigned char*>(decoded.samples.get());
    std::size_t bytes = capacity * sizeof(std::int16_t);
    std::size_t done = 0;
    for (;;) {
        std::size_t got = 0;
        int status = mpg123_read(mp3, out + done, bytes - done, &got);
        done += got;
        if (status == MPG123_DONE) break;
        if (status != MPG123_OK) return {};
        // A full buffer must be the whole sound: anything more and the
        // length was wrong.
        if (done == bytes) {
            unsigned char more[64];
            if (mpg123_read(mp3, more, sizeof more, &got) != MPG123_DONE || got != 0) return {};
            break;
        }
    }
    if (done != bytes) return {};
    decoded.count = done / sizeof(std::int16_t);
    return decoded;
}

}  // namespace media
