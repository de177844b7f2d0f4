// Malformed recordings: cut short and with damaged boxes. Every open, read
// and seek must come back with a result code; the sanitizer build runs this
// too, so a read outside a buffer fails the test.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ffprobe_oracle.h"
#include "krnstream.h"
#include "mp4_builder.h"
#include "test_support.h"

namespace {

constexpr int kMaxFramesPerTrack = 5000;

// Opens, describes, reads every track, seeks, reads again. Returns the
// number of frames delivered.
long exercise(const std::string &path) {
  std::wstring w = widen(path);
  KRNReaderParam param{};
  param.path = w.c_str();
  KRNReader *r = nullptr;
  if (KRNReaderOpen(&r, &param) != 0) return 0;
  long delivered = 0;
  KRNReaderInfo info{};
  if (KRNReaderGetInfo(r, &info) == 0) {
    std::vector<uint8_t> buf(64 * 1024);
    auto drain = [&](uint32_t type, uint32_t track) {
      for (int n = 0; n < kMaxFramesPerTrack; ++n) {
        KRNReaderFrame f{};
        f.data = buf.data();
        f.capacity = static_cast<uint32_t>(buf.size());
        f.mediaType = type;
        f.track = track;
        int32_t rc = KRNReaderReadFrame(r, &f);
        if (rc == KRNSTREAM_ERR_BUFSIZE) continue;  // stays on the sample: skip on
        if (rc < 0) break;
        EXPECT_LE(f.size, buf.size());
        ++delivered;
      }
    };
    auto all = [&] {
      for (uint32_t v = 0; v < info.videoCount; ++v) drain(KRN_MEDIA_VIDEO, v);
      if (info.audioCount) drain(KRN_MEDIA_AUDIO, 0);
      for (uint32_t t = 0; t < info.textCount; ++t) drain(KRN_MEDIA_TEXT, t);
    };
    all();
    uint32_t t = info.duration / 2;
    KRNReaderSeekByTime(r, &t, 0);
    t = info.duration / 3;
    KRNReaderSeekByKeyFrame(r, &t, 1);
    all();
  }
  KRNReaderClose(r);
  return delivered;
}

class Malformed : public testing::Test {
 protected:
  void runAll(const std::vector<uint8_t> &original) {
    std::string path = dir_.path("bad.mp4");
    long whole = 0;
    writeBytes(path, original);
    whole = exercise(path);
    ASSERT_GT(whole, 0);

    // Cut at 200 lengths spread over the file.
    for (int i = 1; i <= 200; ++i) {
      size_t len = original.size() * static_cast<size_t>(i) / 201;
      writeBytes(path,
                 std::vector<uint8_t>(original.begin(), original.begin() + static_cast<long>(len)));
      exercise(path);
    }
    // Flip bytes and plant hostile 32-bit values, mostly in the box
    // structure at the file's ends (sizes, counts, offsets live there).
    std::mt19937 rng(1234);
    for (int i = 0; i < 300; ++i) {
      std::vector<uint8_t> bad = original;
      size_t span = std::min<size_t>(bad.size(), 4096);
      size_t at = i % 2 ? rng() % span : bad.size() - 1 - rng() % span;
      if (i % 3 == 0 && at + 4 <= bad.size()) {
        static const uint32_t kHostile[] = {0,          1,          7,          8,
                                            0x7FFFFFFF, 0xFFFFFFFF, 0x80000000, 0xFFFFFFF8};
        uint32_t v = kHostile[rng() % 8];
        for (int k = 0; k < 4; ++k)
          bad[at + static_cast<size_t>(k)] = static_cast<uint8_t>(v >> (24 - 8 * k));
      } else {
        bad[at] ^= static_cast<uint8_t>(1 + rng() % 255);
      }
      writeBytes(path, bad);
      exercise(path);
    }
  }
  ScratchDir dir_;
};

mp4::TrackDescription crafted(uint32_t id, const char *handler, const char *header, uint32_t samples) {
  mp4::TrackDescription t;
  t.id = id;
  t.handler = handler;
  t.mediaHeader = header;
  t.sampleEntry = std::string(header) == "vmhd"   ? mp4::avc1Entry(64, 64, 100)
                  : std::string(header) == "smhd" ? mp4::mp4aEntry(8000, 400)
                                                  : mp4::textEntry();
  for (uint32_t i = 0; i < samples; ++i) {
    mp4::Bytes s;
    mp4::u32(s, 4);
    mp4::append(s, {0x41, 1, 2, 3});
    t.payloads.push_back(s);
    t.sizes.push_back(8);
    t.deltas.push_back(100);
  }
  t.samplesPerChunk = 2;
  t.stss = std::string(header) == "vmhd";
  t.syncSamples = {1, 5};
  return t;
}

}  // namespace

TEST_F(Malformed, CraftedRecordingCutAndDamaged) {
  runAll(mp4::buildFile({crafted(1, "vide", "vmhd", 12), crafted(2, "soun", "smhd", 12),
                         crafted(3, "tvxt", "nmhd", 12)}));
}

TEST_F(Malformed, FfmpegRecordingCutAndDamaged) {
  std::string src = dir_.path("src.mp4");
  ASSERT_TRUE(
      oracle::ffmpeg("-f lavfi -i testsrc=size=96x64:rate=10 -f lavfi -i sine -t 1 "
                     "-c:v libx264 -preset ultrafast -g 4 -c:a aac '" +
                     src + "'"));
  runAll(readBytes(src));
}

TEST_F(Malformed, FragmentedRecordingCutAndDamaged) {
  std::string src = dir_.path("frag.mp4");
  ASSERT_TRUE(
      oracle::ffmpeg("-f lavfi -i testsrc=size=96x64:rate=10 -t 1 -c:v libx264 -preset "
                     "ultrafast -g 3 -movflags frag_keyframe+empty_moov '" +
                     src + "'"));
  runAll(readBytes(src));
}
