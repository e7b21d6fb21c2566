// The MP3s decoded ahead of the mixer at start-up must be, sample for sample,
// what the mixer itself makes of the files (Mix_LoadWAV): the same length,
// which is also the music's loop, and the same values. Whatever the decoder
// cannot take, the mixer loads as before, errors included.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "assets.hpp"
#include "harness.hpp"
#include "media/error.hpp"
#include "media/sound.hpp"
#include "media/testing.hpp"
#include "process.hpp"
#include "shell/asset_files.hpp"
#include "shell/game_state.hpp"

namespace {

using Samples = std::vector<std::int16_t>;

std::string asset_bytes(const std::string& name) {
    for (const assets::Entry& entry : assets::DATA)
        if (entry.name == name) return molvane::decode_asset(name, entry.text);
    ADD_FAILURE() << "no asset " << name;
    return {};
}

std::string write_file(const process::TempDir& dir, const std::string& name, const std::string& bytes) {
    std::string path = (dir.path() / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

Samples decoded_samples(const media::DecodedMp3& decoded) {
    return Samples(decoded.samples.get(), decoded.samples.get() + decoded.count);
}

// What the mixer makes of the file on its own.
Samples mixer_samples(const std::string& path) { return media::testing::samples(media::Sound(path)); }

}  // namespace

TEST(Mp3DecodedAhead, IsSampleForSampleWhatTheMixerDecodes) {
    harness::start_game();
    ASSERT_EQ(media::testing::sample_rate(), 44100);
    ASSERT_EQ(media::testing::output_channels(), 2);
    process::TempDir dir;
    // The music, in the mixer's format already, is decoded here and played
    // as decoded: the samples themselves match.
    std::string music = write_file(dir, "sound_main.mp3", asset_bytes("sound_main.mp3"));
    media::DecodedMp3 decoded = media::decode_mp3(music);
    EXPECT_EQ(decoded.rate, 44100);
    EXPECT_EQ(decoded.channels, 2);
    Samples expected = mixer_samples(music);
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(decoded.count, expected.size());
    EXPECT_TRUE(decoded_samples(decoded) == expected);
    EXPECT_TRUE(media::testing::samples(media::Sound(music, std::move(decoded))) == expected);
    EXPECT_TRUE(media::testing::samples(molvane::MAIN) == expected);  // as start-up loaded it: the loop's length

    // The extra life's jingle is mono: the mixer makes it stereo, as before.
    std::string jingle = write_file(dir, "sound_addlife.mp3", asset_bytes("sound_addlife.mp3"));
    media::DecodedMp3 mono = media::decode_mp3(jingle);
    EXPECT_EQ(mono.channels, 1);
    expected = mixer_samples(jingle);
    ASSERT_EQ(expected.size(), 2 * mono.count);
    EXPECT_TRUE(media::testing::samples(media::Sound(jingle, std::move(mono))) == expected);
    EXPECT_TRUE(media::testing::samples(molvane::ADD_LIFE) == expected);
}

TEST(Mp3DecodedAhead, AFileCutShortStillSoundsAsTheMixerWouldMakeIt) {
    harness::start_game();
    process::TempDir dir;
    std::string music = asset_bytes("sound_main.mp3");
    for (std::size_t cut : {music.size() / 2, music.size() - 1000, std::size_t{5000}}) {
        std::string path = write_file(dir, "cut_" + std::to_string(cut) + ".mp3", music.substr(0, cut));
        EXPECT_TRUE(media::testing::samples(media::Sound(path, media::decode_mp3(path))) == mixer_samples(path))
            << "cut at " << cut;
    }
}

TEST(Mp3DecodedAhead, AFileLongerThanItsHeaderSaysIsNotCutShort) {
    harness::start_game();
    process::TempDir dir;
    // The music twice over: the first header's length covers only the first.
    std::string music = asset_bytes("sound_main.mp3");
    std::string path = write_file(dir, "twice.mp3", music + music);
    Samples expected = mixer_samples(path);
    ASSERT_GT(expected.size(), mixer_samples(write_file(dir, "once.mp3", music)).size());
    EXPECT_TRUE(media::testing::samples(media::Sound(path, media::decode_mp3(path))) == expected);
}

TEST(Mp3DecodedAhead, LeavesWhatIsNoMp3ToTheMixerAndItsErrors) {
    harness::start_game();
    process::TempDir dir;
    std::string wav = write_file(dir, "wav_named.mp3", asset_bytes("sound_hit.wav"));
    std::string noise = write_file(dir, "noise.mp3", std::string(4000, 'A'));
    std::string empty = write_file(dir, "empty.mp3", "");
    for (const std::string& path : {wav, noise, empty}) EXPECT_EQ(media::decode_mp3(path).count, 0u) << path;
    EXPECT_EQ(media::decode_mp3((dir.path() / "missing.mp3").string()).count, 0u);

    // A WAV under an MP3's name plays as the mixer loads it.
    EXPECT_TRUE(media::testing::samples(media::Sound(wav, media::decode_mp3(wav))) == mixer_samples(wav));
    // What the mixer refuses fails with the mixer's own message.
    for (const std::string& path : {noise, empty}) {
        std::string mixer_error;
        try {
            media::Sound refused(path);
        } catch (const media::Error& error) {
            mixer_error = error.what();
        }
        ASSERT_NE(mixer_error, "") << path;
        try {
            media::Sound refused(path, media::decode_mp3(path));
            ADD_FAILURE() << path << " was loaded";
        } catch (const media::Error& error) {
            EXPECT_EQ(error.what(), mixer_error);
        }
    }
}
