// MP3 frame headers and the AAC AudioSpecificConfig, against ffmpeg-made audio.
#include "media.h"

using media::Bytes;

namespace {

std::string tone(uint32_t rate, uint32_t channels) {
  return "-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(rate) + " -t 1 -ac " +
         std::to_string(channels) + " ";
}

void putHeader(Bytes &data, size_t at) {
  // MPEG-1 Layer III, 128 kbit/s, 44100 Hz, no padding: 417-byte frames.
  const uint8_t header[] = {0xFF, 0xFB, 0x90, 0x00};
  std::copy(std::begin(header), std::end(header), data.begin() + long(at));
}

}  // namespace

struct Mp3Stream {
  const char *name;
  uint32_t rate, channels;
  const char *args;
  uint32_t samplesPerFrame;
};

class Mp3Streams : public ::testing::TestWithParam<Mp3Stream> {};

TEST_P(Mp3Streams, HeaderMatchesFfprobe) {
  const Mp3Stream &s = GetParam();
  std::string path = media::make(s.name, tone(s.rate, s.channels) + s.args);
  Bytes data = media::read(path);
  data.resize(std::min<size_t>(data.size(), 8192));
  auto probe = media::probe(path, "a:0", "sample_rate,channels,bit_rate");
  KRNUtilAudioInfo audio = {};
  uint32_t samples = 0;
  ASSERT_TRUE(KRNUtil_GetMP3Info(data.data(), uint32_t(data.size()), &audio, &samples));
  EXPECT_EQ(audio.codec, 85u);
  EXPECT_EQ(audio.sampleRate, media::number(probe, "sample_rate"));
  EXPECT_EQ(audio.channels, media::number(probe, "channels"));
  EXPECT_EQ(audio.bitRate, media::number(probe, "bit_rate"));
  EXPECT_EQ(samples, s.samplesPerFrame);
}

// The low rates get a tag frame coded at a higher bit rate than the stream.
INSTANTIATE_TEST_SUITE_P(
    Lame, Mp3Streams,
    ::testing::Values(Mp3Stream{"stereo44k.mp3", 44100, 2, "-c:a libmp3lame -b:a 128k", 1152},
                      Mp3Stream{"mono22k.mp3", 22050, 1, "-c:a libmp3lame -b:a 32k", 576},
                      Mp3Stream{"mono8k.mp3", 8000, 1, "-c:a libmp3lame -b:a 16k", 576},
                      Mp3Stream{"bare48k.mp3", 48000, 2,
                                "-c:a libmp3lame -b:a 192k -id3v2_version 0 -write_xing 0", 1152}),
    [](const ::testing::TestParamInfo<Mp3Stream> &p) {
      return std::string(p.param.name).substr(0, std::string(p.param.name).find('.'));
    });

TEST(Mp3Header, SyncNeedsThreeHeadersInARowInsideTheData) {
  Bytes data(839, 0);
  putHeader(data, 1);
  KRNUtilAudioInfo audio = {};
  audio.sampleRate = 1234;
  uint32_t samples = 77;
  EXPECT_FALSE(KRNUtil_GetMP3Info(data.data(), uint32_t(data.size()), &audio, &samples));
  EXPECT_EQ(audio.sampleRate, 1234u);  // nothing written
  EXPECT_EQ(samples, 77u);
  putHeader(data, 418);
  putHeader(data, 835);
  EXPECT_FALSE(KRNUtil_GetMP3Info(data.data(), 838, &audio, &samples));  // third one cut
  EXPECT_TRUE(KRNUtil_GetMP3Info(data.data(), 839, &audio, nullptr));
  EXPECT_EQ(audio.sampleRate, 44100u);
  EXPECT_EQ(audio.bitRate, 128000u);
  // A header right at the start is taken as it is, given more than 4 bytes.
  EXPECT_TRUE(KRNUtil_GetMP3Info(data.data() + 1, 5, &audio, nullptr));
  EXPECT_FALSE(KRNUtil_GetMP3Info(data.data() + 1, 4, &audio, nullptr));
}

TEST(Mp3Header, ReservedFieldsAreNotHeaders) {
  // Bit-rate index 15, sample-rate index 3, version 01, layer 00.
  const uint8_t bad[][5] = {{0xFF, 0xFB, 0xF0, 0, 0},
                            {0xFF, 0xFB, 0x9C, 0, 0},
                            {0xFF, 0xEB, 0x90, 0, 0},
                            {0xFF, 0xF9, 0x90, 0, 0}};
  for (const auto &b : bad) {
    KRNUtilAudioInfo audio = {};
    EXPECT_FALSE(KRNUtil_GetMP3Info(b, sizeof(b), &audio, nullptr));
  }
  std::string path = media::make("layer2.mp2", tone(44100, 2) + "-c:a mp2 -b:a 192k");
  Bytes data = media::read(path);
  media::TraceLines trace(L"utilaudio:1");
  KRNUtilAudioInfo audio = {};
  EXPECT_FALSE(KRNUtil_GetMP3Info(data.data(), 4096, &audio, nullptr));
  EXPECT_TRUE(trace.has(L"ERROR:[utilaudio] krnutil_audio:"));
  EXPECT_TRUE(trace.has(L"(KRNUtil_GetMP3Info) : [Reader]\tSorry, layer 2 not supported\n"));
}

struct AacStream {
  const char *name;
  uint32_t rate, channels;
};

class AacStreams : public ::testing::TestWithParam<AacStream> {};

// An ADTS header carries the fields of the AudioSpecificConfig an MP4 file
// would hold; the test builds one from the other.
TEST_P(AacStreams, AudioSpecificConfigMatchesFfprobe) {
  const AacStream &s = GetParam();
  std::string path = media::make(s.name, tone(s.rate, s.channels) + "-c:a aac -f adts");
  Bytes adts = media::read(path);
  ASSERT_GE(adts.size(), 7u);
  uint32_t objectType = (adts[2] >> 6) + 1u, rateIndex = (adts[2] >> 2) & 0xFu;
  uint32_t channels = ((adts[2] & 1u) << 2) | (adts[3] >> 6);
  const uint8_t asc[2] = {uint8_t(objectType << 3 | rateIndex >> 1),
                          uint8_t((rateIndex & 1) << 7 | channels << 3)};
  auto probe = media::probe(path, "a:0", "sample_rate,channels");
  KRNUtilAudioInfo audio = {};
  EXPECT_EQ(KRNUtil_UtilGetLATMInfo(asc, 2, &audio), media::number(probe, "sample_rate"));
  EXPECT_EQ(audio.sampleRate, media::number(probe, "sample_rate"));
  EXPECT_EQ(audio.channels, media::number(probe, "channels"));
}

INSTANTIATE_TEST_SUITE_P(Encoder, AacStreams,
                         ::testing::Values(AacStream{"mono48k.aac", 48000, 1},
                                           AacStream{"stereo44k.aac", 44100, 2},
                                           AacStream{"mono8k.aac", 8000, 1},
                                           AacStream{"six96k.aac", 96000, 6}),
                         [](const ::testing::TestParamInfo<AacStream> &p) {
                           return std::string(p.param.name).substr(0, 6);
                         });

TEST(AacConfig, LowComplexityStereoAndShortConfig) {
  const uint8_t asc[] = {0x12, 0x10};
  KRNUtilAudioInfo audio = {};
  EXPECT_EQ(KRNUtil_UtilGetLATMInfo(asc, 2, &audio), 44100u);
  EXPECT_EQ(audio.channels, 2u);
  audio.sampleRate = 5;
  EXPECT_EQ(KRNUtil_UtilGetLATMInfo(asc, 1, &audio), 0u);
  EXPECT_EQ(audio.sampleRate, 5u);
}

TEST(AudioSampleSize, ByCodec) {
  const std::pair<uint32_t, uint32_t> table[] = {{255, 1024}, {2, 1024}, {17, 1024}, {253, 2048},
                                                 {254, 2048}, {85, 0},   {1, 0}};
  for (const auto &row : table) EXPECT_EQ(KRNUtil_GetAudioSampleSize(row.first), row.second);
}
