// One reader handle used from several threads at once: frames are read on
// two threads while others change tracks, skip ranges and time deltas and
// ask for the information again. Run under ThreadSanitizer by make test-tsan.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "krnstream.h"
#include "mp4_builder.h"
#include "reader_helpers.h"
#include "test_support.h"

namespace {

mp4::TrackDescription track(uint32_t id, const char *handler, const char *header,
                            uint32_t samples) {
  mp4::TrackDescription t;
  t.id = id;
  t.handler = handler;
  t.mediaHeader = header;
  t.timescale = 1000;
  if (std::string(handler) == "vide")
    t.sampleEntry = mp4::avc1Entry(64, 64, 100);
  else if (std::string(handler) == "soun")
    t.sampleEntry = mp4::mp4aEntry(48000, 600);
  else
    t.sampleEntry = mp4::textEntry();
  for (uint32_t i = 0; i < samples; ++i) {
    mp4::Bytes s;
    mp4::u32(s, 4);
    for (int k = 0; k < 4; ++k) s.push_back(static_cast<uint8_t>(i % 2 ? 0x41 : 0x65));
    t.sizes.push_back(static_cast<uint32_t>(s.size()));
    t.payloads.push_back(s);
    t.deltas.push_back(40);
  }
  t.samplesPerChunk = 5;
  return t;
}

int64_t firstVideoTime(KRNReader *r) {
  KRNReaderChangeTrack(r, 0, KRN_MEDIA_VIDEO);  // seeks move the current track
  uint32_t t = 0;
  KRNReaderSeekByTime(r, &t, 1);
  std::vector<uint8_t> buf(4096);
  KRNReaderFrame f{};
  f.data = buf.data();
  f.capacity = static_cast<uint32_t>(buf.size());
  f.mediaType = KRN_MEDIA_VIDEO;
  EXPECT_EQ(KRNReaderReadFrame(r, &f), 0);
  return f.time;
}

}  // namespace

TEST(ReaderThreads, OneHandleFromManyThreads) {
  ScratchDir dir;
  std::string path = dir.path("three.mp4");
  mp4::writeFile(path, mp4::buildFile({track(1, "vide", "vmhd", 200), track(2, "vide", "vmhd", 200),
                                       track(3, "soun", "smhd", 200),
                                       track(4, "tvxt", "nmhd", 200)}));
  OpenedFile file(path);
  ASSERT_EQ(file.infoRc, 0);
  ASSERT_EQ(file.info.videoCount, 2u);
  KRNReader *r = file.reader;

  constexpr int kRounds = 300;
  std::atomic<int> started{0};
  auto reader = [&](uint32_t type) {
    std::vector<uint8_t> buf(4096);
    ++started;
    for (int i = 0; i < kRounds * 4; ++i) {
      KRNReaderFrame f{};
      f.data = buf.data();
      f.capacity = static_cast<uint32_t>(buf.size());
      f.mediaType = type;
      int32_t rc = KRNReaderReadFrame(r, &f);
      EXPECT_TRUE(rc == 0 || rc == KRNSTREAM_ERR_EOD) << rc;
      if (rc == 0) {
        EXPECT_EQ(f.size, 8u);
      }
      if (rc == KRNSTREAM_ERR_EOD) {
        uint32_t t = 0;
        KRNReaderSeekByMedia(r, &t, static_cast<int32_t>(type));
      }
    }
  };
  auto changer = [&] {
    ++started;
    for (int i = 0; i < kRounds; ++i) {
      KRNReaderChangeTrack(r, static_cast<uint32_t>(i % 2), KRN_MEDIA_VIDEO);
      KRNReaderSetTimeDelta(r, 1, KRN_MEDIA_VIDEO);
      KRNReaderSetSkip(r, 0, 0, 0, 0);
      KRNReaderInfo info{};
      EXPECT_EQ(KRNReaderGetInfo(r, &info), 0);
      EXPECT_EQ(info.videoCount, 2u);
      KRNReaderStatus status;
      KRNReaderGetStatus(r, &status);
    }
  };
  std::vector<std::thread> threads;
  threads.emplace_back(reader, KRN_MEDIA_VIDEO);
  threads.emplace_back(reader, KRN_MEDIA_AUDIO);
  threads.emplace_back(reader, KRN_MEDIA_TEXT);
  threads.emplace_back(changer);
  threads.emplace_back(changer);
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(started.load(), 5);

  // No change of the delta was lost: two threads added 1 ms each round.
  EXPECT_EQ(firstVideoTime(r), 2 * kRounds);
}
