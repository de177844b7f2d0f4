// Our AVI reader against ffprobe, frame by frame, on files ffmpeg makes; and
// the scan of "movi" that serves files without an index against the index.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ffprobe_oracle.h"
#include "krnstream.h"
#include "reader_helpers.h"
#include "test_support.h"

namespace {

using Tracks = std::map<int, std::vector<ReadFrame>>;  // by ffprobe stream index

// Reads every stream and holds it to ffprobe's packets: size, time in ms,
// key mark and count; the stream's frame count is its header's length, as
// ffprobe's nb_frames. Returns what was read, for comparisons between files.
Tracks compareWithFfprobe(const std::string &path) {
  SCOPED_TRACE(path);
  EXPECT_EQ(oracle::errors(path), "");
  std::vector<oracle::Stream> streams = oracle::streams(path);
  std::vector<oracle::Packet> packets = oracle::packets(path);
  EXPECT_FALSE(streams.empty());

  OpenedFile file(path);
  EXPECT_EQ(file.openRc, 0);
  EXPECT_EQ(file.infoRc, 0);
  EXPECT_EQ(file.info.container, KRN_CONTAINER_AVI);
  Tracks out;
  std::map<int, uint32_t> perType;
  for (const oracle::Stream &s : streams) {
    SCOPED_TRACE("stream " + std::to_string(s.index) + " " + s.type);
    int type = oracle::mediaTypeOf(s.type);
    uint32_t track = perType[type]++;
    std::vector<oracle::Packet> ref;
    for (const auto &p : packets)
      if (p.stream == s.index) ref.push_back(p);
    const bool video = type == KRN_MEDIA_VIDEO;
    uint32_t frames = video ? file.info.video[track].frameCount : file.info.audio.frameCount;
    EXPECT_EQ(frames, static_cast<uint32_t>(s.frames));
    if (s.duration > 0) {  // ffprobe has none for PCM
      EXPECT_NEAR(video ? file.info.video[track].duration : file.info.audio.duration,
                  s.duration * 1000, 1.0);
    }

    std::vector<ReadFrame> got = file.readAll(static_cast<uint32_t>(type), track);
    EXPECT_EQ(file.lastRc, KRNSTREAM_ERR_EOD);
    EXPECT_EQ(got.size(), ref.size());
    for (size_t n = 0; n < got.size() && n < ref.size(); ++n) {
      EXPECT_EQ(got[n].size, static_cast<uint32_t>(ref[n].size)) << "frame " << n;
      EXPECT_NEAR(static_cast<double>(got[n].time), ref[n].dts * 1000.0, 1.0) << "frame " << n;
      EXPECT_EQ(got[n].key == KRN_FRAME_KEY, ref[n].key) << "frame " << n;
    }
    out[s.index] = std::move(got);
  }
  return out;
}

// Renames the index chunks ("idx1", and "indx" in the stream lists) to
// "JUNK" in place, walking the RIFF structure so that no frame data is
// touched: what is left is a file without an index.
void stripIndexes(const std::string &path) {
  FILE *f = fopen(path.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  fseeko(f, 0, SEEK_END);
  const off_t size = ftello(f);
  int renamed = 0;
  auto walk = [&](auto &self, off_t pos, off_t end) -> void {
    while (pos + 8 <= end) {
      uint8_t h[12] = {};
      fseeko(f, pos, SEEK_SET);
      if (fread(h, 1, 12, f) < 8) return;
      std::string id(reinterpret_cast<char *>(h), 4), type(reinterpret_cast<char *>(h + 8), 4);
      off_t len =
          static_cast<off_t>(h[4] | h[5] << 8 | h[6] << 16 | static_cast<uint32_t>(h[7]) << 24);
      if (id == "idx1" || id == "indx") {
        fseeko(f, pos, SEEK_SET);
        fwrite("JUNK", 1, 4, f);
        ++renamed;
      } else if (id == "RIFF" || (id == "LIST" && (type == "hdrl" || type == "strl"))) {
        self(self, pos + 12, std::min(end, pos + 8 + len));
      }
      pos += 8 + len + (len & 1);
    }
  };
  walk(walk, 0, size);
  fclose(f);
  EXPECT_GT(renamed, 0);
}

void expectSameFrames(const Tracks &indexed, const Tracks &scanned) {
  ASSERT_EQ(indexed.size(), scanned.size());
  for (const auto &[stream, frames] : indexed) {
    const std::vector<ReadFrame> &other = scanned.at(stream);
    ASSERT_EQ(frames.size(), other.size()) << "stream " << stream;
    for (size_t n = 0; n < frames.size(); ++n)
      EXPECT_TRUE(frames[n] == other[n]) << "stream " << stream << " frame " << n;
  }
}

class AviFfmpegFiles : public testing::Test {
 protected:
  std::string make(const std::string &name, const std::string &args) {
    std::string out = dir_.path(name);
    EXPECT_TRUE(oracle::ffmpeg(args + " '" + out + "'")) << args;
    return out;
  }
  // Reads the file as ffmpeg wrote it, then a copy without its indexes.
  void compareIndexedAndScanned(const std::string &path) {
    Tracks indexed = compareWithFfprobe(path);
    std::string copy = path + ".noindex.avi";
    writeBytes(copy, readBytes(path));
    stripIndexes(copy);
    Traces traces;
    Tracks scanned = compareWithFfprobe(copy);
    EXPECT_TRUE(traces.has(L"pIndex is NULL!"));
    expectSameFrames(indexed, scanned);
  }
  const std::string video_ = "-f lavfi -i testsrc=size=320x240:rate=25 ";
  const std::string audio_ = "-f lavfi -i sine=frequency=440:sample_rate=44100 ";
  ScratchDir dir_;
};

}  // namespace

TEST_F(AviFfmpegFiles, H264WithMp3) {
  // x264's default B-frames make ffmpeg write an empty chunk for the second
  // frame: it keeps its time slot and delivers nothing, as in ffprobe.
  std::string path = make("h264.avi", video_ + audio_ +
                                          "-t 3 -c:v libx264 -preset ultrafast -g 12 -bf 2 "
                                          "-c:a libmp3lame");
  compareIndexedAndScanned(path);
  OpenedFile file(path);
  EXPECT_EQ(file.info.video[0].codec, KRNUTIL_FOURCC('H', '2', '6', '4'));
  EXPECT_EQ(file.info.video[0].frameRate, 25000u);
  EXPECT_EQ(file.info.audio.codec, KRNUTIL_AUDIO_MP3);
  EXPECT_EQ(file.info.audio.sampleRate, 44100u);
}

TEST_F(AviFfmpegFiles, MjpegWithPcm) {
  std::string path = make("mjpeg.avi", video_ + audio_ + "-t 3 -c:v mjpeg -c:a pcm_s16le");
  compareIndexedAndScanned(path);
  OpenedFile file(path);
  const KRNUtilAudioInfo &a = file.info.audio;
  EXPECT_EQ(a.codec, 1u);
  EXPECT_EQ(a.sampleSize, 2u);
  EXPECT_EQ(a.blockAlign, 2u);
  EXPECT_EQ(a.bitRate, 44100u * 16);
  // The header's length counts samples: 3 s of them.
  EXPECT_EQ(a.frameCount, 132300u);
  EXPECT_EQ(a.duration, 3000u);
  EXPECT_EQ(file.info.video[0].duration, 3000u);
}

// Past 1 GiB ffmpeg closes the first RIFF and goes on in an AVIX part, with
// OpenDML super and standard indexes. Raw pictures reach that size in a few
// hundred frames; the file is deleted at the end.
TEST_F(AviFfmpegFiles, OpenDmlWithAvixPart) {
  std::string path =
      make("big.avi",
           "-f lavfi -i testsrc=size=1280x720:rate=25 -f lavfi -i sine=sample_rate=8000 "
           "-t 16.4 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le");
  ASSERT_GT(fileSize(path), 1l << 30);
  Tracks indexed = compareWithFfprobe(path);
  ASSERT_EQ(indexed[0].size(), 410u);
  {
    OpenedFile file(path);
    EXPECT_EQ(file.info.video[0].width, 1280u);
    EXPECT_EQ(file.info.video[0].maxFrameSize, 1048576u);  // capped; the frames are larger
    // Half way through the AVIX part, on the frame that holds the time.
    uint32_t t = 15000;
    EXPECT_TRUE(KRNReaderSeekByTime(file.reader, &t, 1));
    EXPECT_EQ(t, 15000u);
    std::vector<ReadFrame> rest = file.readAll(KRN_MEDIA_VIDEO, 0, 1);
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_TRUE(rest[0] == indexed[0][375]);
  }
  // In place: a copy would double the disk use.
  stripIndexes(path);
  Tracks scanned = compareWithFfprobe(path);
  expectSameFrames(indexed, scanned);
  std::remove(path.c_str());
}
