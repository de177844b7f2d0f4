// MP3 frame headers and AAC AudioSpecificConfig, against ffmpeg-made audio.
#include "media.h"

using media::Bytes;

namespace {

std::string tone(uint32_t rate) {
  return "-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(rate) + " -t 1 ";
}

}  // namespace

// ---------------------------------------------------------------------------
// MP3

struct Mp3Stream {
  const char *name;
  uint32_t rate;
  const char *args;
  uint32_t samplesPerFrame;
};

class Mp3Streams : public ::testing::TestWithParam<Mp3Stream> {};

TEST_P(Mp3Streams, HeaderMatchesFfprobe) {
  const Mp3Stream &s = GetParam();
  std::string path = media::make(std::string(s.name) + ".mp3", tone(s.rate) + s.args);
  Bytes data = media::read(path);
  auto probe = media::probe(path, "a:0", "sample_rate,channels,bit_rate");
  Bytes head(data.begin(), data.begin() + long(std::min<size_t>(data.size(), 8192)));

  KRNUtilAudioInfo audio = {};
  uint32_t samples = 0;
  ASSERT_TRUE(KRNUtil_GetMP3Info(head.data(), uint32_t(head.size()), &audio, &samples));
  EXPECT_EQ(audio.codec, 85u);
  EXPECT_EQ(audio.sampleRate, media::probeNumber(probe, "sample_rate"));
  EXPECT_EQ(audio.channels, media::probeNumber(probe, "channels"));
  EXPECT_EQ(audio.bitRate, media::probeNumber(probe, "bit_rate"));
  EXPECT_EQ(samples, s.samplesPerFrame);
}

INSTANTIATE_TEST_SUITE_P(
    Lame, Mp3Streams,
    ::testing::Values(Mp3Stream{"stereo44k", 44100, "-ac 2 -c:a libmp3lame -b:a 128k", 1152},
                      Mp3Stream{"mono22k", 22050, "-ac 1 -c:a libmp3lame -b:a 32k", 576},
                      Mp3Stream{"mono8k", 8000, "-ac 1 -c:a libmp3lame -b:a 16k", 576},
                      Mp3Stream{"bare48k", 48000,
                                "-ac 2 -c:a libmp3lame -b:a 192k -id3v2_version 0 -write_xing 0",
                                1152}),
    [](const ::testing::TestParamInfo<Mp3Stream> &p) { return std::string(p.param.name); });

TEST(Mp3Header, SamplesPerFrameIsOptional) {
  std::string path = media::make("stereo44k.mp3", tone(44100) + "-ac 2 -c:a libmp3lame -b:a 128k");
  Bytes data = media::read(path);
  KRNUtilAudioInfo audio = {};
  EXPECT_TRUE(KRNUtil_GetMP3Info(data.data(), uint32_t(data.size()), &audio, nullptr));
  EXPECT_EQ(audio.sampleRate, 44100u);
}

TEST(Mp3Header, LoneHeaderBehindOtherBytesIsNotTrusted) {
  // MPEG-1 Layer III, 128 kbit/s, 44100 Hz: a 417-byte frame. One such header
  // after a stray byte, and no second one where the frame ends.
  Bytes data(2000, 0);
  data[1] = 0xFF;
  data[2] = 0xFB;
  data[3] = 0x90;
  data[4] = 0x00;
  KRNUtilAudioInfo audio = {};
  audio.sampleRate = 1234;
  uint32_t samples = 77;
  EXPECT_FALSE(KRNUtil_GetMP3Info(data.data(), uint32_t(data.size()), &audio, &samples));
  EXPECT_EQ(audio.sampleRate, 1234u);
  EXPECT_EQ(audio.codec, 0u);
  EXPECT_EQ(samples, 77u);

  // Three in a row are found, the last one just fitting the data.
  for (uint32_t at : {1u, 418u, 835u}) {
    data[at] = 0xFF;
    data[at + 1] = 0xFB;
    data[at + 2] = 0x90;
    data[at + 3] = 0x00;
  }
  Bytes exact(data.begin(), data.begin() + 839);
  EXPECT_TRUE(KRNUtil_GetMP3Info(exact.data(), uint32_t(exact.size()), &audio, &samples));
  EXPECT_EQ(audio.sampleRate, 44100u);
  EXPECT_EQ(audio.bitRate, 128000u);
  Bytes cut(data.begin(), data.begin() + 838);
  audio = {};
  EXPECT_FALSE(KRNUtil_GetMP3Info(cut.data(), uint32_t(cut.size()), &audio, &samples));
}

TEST(Mp3Header, ReservedFieldsAreNotHeaders) {
  // Each is a sync word with one reserved field: bit-rate index 15, sample
  // rate index 3, version 01, layer 00.
  const uint8_t bad[][5] = {{0xFF, 0xFB, 0xF0, 0x00, 0},
                            {0xFF, 0xFB, 0x9C, 0x00, 0},
                            {0xFF, 0xEB, 0x90, 0x00, 0},
                            {0xFF, 0xF9, 0x90, 0x00, 0}};
  for (const auto &b : bad) {
    KRNUtilAudioInfo audio = {};
    EXPECT_FALSE(KRNUtil_GetMP3Info(b, sizeof(b), &audio, nullptr));
  }
  KRNUtilAudioInfo audio = {};
  const uint8_t four[] = {0xFF, 0xFB, 0x90, 0x00};
  EXPECT_FALSE(KRNUtil_GetMP3Info(four, 4, &audio, nullptr));
  const uint8_t five[] = {0xFF, 0xFB, 0x90, 0x00, 0x00};
  EXPECT_TRUE(KRNUtil_GetMP3Info(five, 5, &audio, nullptr));
}

TEST(Mp3Header, LayerTwoIsRefusedWithItsTrace) {
  std::string path = media::make("layer2.mp2", tone(44100) + "-ac 2 -c:a mp2 -b:a 192k");
  Bytes data = media::read(path);
  media::TraceLines trace(L"utilaudio:1");
  KRNUtilAudioInfo audio = {};
  EXPECT_FALSE(KRNUtil_GetMP3Info(data.data(), uint32_t(std::min<size_t>(data.size(), 4096)),
                                  &audio, nullptr));
  EXPECT_TRUE(trace.has(L"ERROR:[utilaudio] krnutil_audio:"));
  EXPECT_TRUE(trace.has(L"(KRNUtil_GetMP3Info) : [Reader]\tSorry, layer 2 not supported\n"));
}

// ---------------------------------------------------------------------------
// AAC

struct AacStream {
  const char *name;
  uint32_t rate;
  uint32_t channels;
};

class AacStreams : public ::testing::TestWithParam<AacStream> {};

// The ADTS header carries the same fields as the AudioSpecificConfig the MP4
// reader hands over; the test builds one from the other.
TEST_P(AacStreams, AudioSpecificConfigMatchesFfprobe) {
  const AacStream &s = GetParam();
  std::string path =
      media::make(std::string(s.name) + ".aac",
                  tone(s.rate) + "-ac " + std::to_string(s.channels) + " -c:a aac -f adts");
  Bytes adts = media::read(path);
  ASSERT_GE(adts.size(), 7u);
  ASSERT_EQ(adts[0], 0xFF);
  uint32_t objectType = (adts[2] >> 6) + 1;
  uint32_t rateIndex = (adts[2] >> 2) & 0xF;
  uint32_t channelConfig = ((adts[2] & 1) << 2) | (adts[3] >> 6);
  uint8_t asc[2] = {uint8_t(objectType << 3 | rateIndex >> 1),
                    uint8_t((rateIndex & 1) << 7 | channelConfig << 3)};
  auto probe = media::probe(path, "a:0", "sample_rate,channels");

  KRNUtilAudioInfo audio = {};
  EXPECT_EQ(KRNUtil_UtilGetLATMInfo(asc, 2, &audio), media::probeNumber(probe, "sample_rate"));
  EXPECT_EQ(audio.sampleRate, media::probeNumber(probe, "sample_rate"));
  EXPECT_EQ(audio.channels, media::probeNumber(probe, "channels"));
}

INSTANTIATE_TEST_SUITE_P(
    Encoder, AacStreams,
    ::testing::Values(AacStream{"mono48k", 48000, 1}, AacStream{"stereo44k", 44100, 2},
                      AacStream{"stereo22k", 22050, 2}, AacStream{"mono8k", 8000, 1},
                      AacStream{"six96k", 96000, 6}),
    [](const ::testing::TestParamInfo<AacStream> &p) { return std::string(p.param.name); });

TEST(AacConfig, LowComplexityStereo44k) {
  const uint8_t asc[] = {0x12, 0x10};
  KRNUtilAudioInfo audio = {};
  EXPECT_EQ(KRNUtil_UtilGetLATMInfo(asc, 2, &audio), 44100u);
  EXPECT_EQ(audio.channels, 2u);
}

TEST(AacConfig, ShortConfigIsRefused) {
  const uint8_t asc[] = {0x12};
  KRNUtilAudioInfo audio = {};
  audio.sampleRate = 5;
  EXPECT_EQ(KRNUtil_UtilGetLATMInfo(asc, 1, &audio), 0u);
  EXPECT_EQ(audio.sampleRate, 5u);
}

TEST(AudioSampleSize, ByCodec) {
  EXPECT_EQ(KRNUtil_GetAudioSampleSize(255), 1024u);
  EXPECT_EQ(KRNUtil_GetAudioSampleSize(2), 1024u);
  EXPECT_EQ(KRNUtil_GetAudioSampleSize(17), 1024u);
  EXPECT_EQ(KRNUtil_GetAudioSampleSize(253), 2048u);
  EXPECT_EQ(KRNUtil_GetAudioSampleSize(254), 2048u);
  EXPECT_EQ(KRNUtil_GetAudioSampleSize(85), 0u);
  EXPECT_EQ(KRNUtil_GetAudioSampleSize(1), 0u);
}
