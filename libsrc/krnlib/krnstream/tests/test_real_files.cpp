// Recordings that phones, action cameras and still cameras wrote, and files
// from other MP4/AVI tools' test suites, read in place from the shared media
// folder beside the checkout. ffprobe, run now, is the reference: every file
// opens, each video track has ffprobe's frames (count, size, key mark, time
// up to one offset for the whole track) and each audio track delivers
// exactly the bytes ffmpeg copies out of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "ffprobe_oracle.h"
#include "krnstream.h"
#include "reader_helpers.h"
#include "test_support.h"

namespace {

// KRN_REAL_MEDIA_DIR in the environment points elsewhere (or nowhere).
std::string realMediaDir() {
  const char *env = std::getenv("KRN_REAL_MEDIA_DIR");
  return env ? env : KRN_REAL_MEDIA_DIR;
}

std::vector<std::string> mediaFiles(const std::string &dir) {
  std::vector<std::string> out;
  DIR *d = opendir(dir.c_str());
  if (!d) return out;
  while (dirent *e = readdir(d)) {
    std::string name = e->d_name;
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    size_t dot = lower.rfind('.');
    if (dot == std::string::npos) continue;
    std::string ext = lower.substr(dot + 1);
    if (ext == "mp4" || ext == "mov" || ext == "3gp" || ext == "m4v" || ext == "avi")
      out.push_back(dir + "/" + name);
  }
  closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

std::string quoted(const std::string &path) {
  std::string out = "'";
  for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Every frame of one track, its bytes appended to *bytes when given.
std::vector<ReadFrame> readTrack(KRNReader *reader, uint32_t type, uint32_t track,
                                 std::string *bytes, int32_t &lastRc) {
  std::vector<ReadFrame> out;
  std::vector<uint8_t> buf(1 << 20);
  for (;;) {
    KRNReaderFrame f{};
    f.data = buf.data();
    f.capacity = static_cast<uint32_t>(buf.size());
    f.mediaType = type;
    f.track = track;
    lastRc = KRNReaderReadFrame(reader, &f);
    if ((lastRc == KRNSTREAM_ERR_BUFSIZE || lastRc == KRNSTREAM_ERR_OVERFLOW) &&
        f.capacity > buf.size() && f.capacity <= (64u << 20)) {
      buf.resize(f.capacity);
      continue;
    }
    if (lastRc != 0) break;
    ReadFrame r;
    r.size = f.size;
    r.time = f.time;
    r.key = f.keyFrame;
    if (bytes) bytes->append(reinterpret_cast<const char *>(buf.data()), f.size);
    out.push_back(r);
  }
  return out;
}

// The sync marks the file's own tables give each sample, as ffprobe's
// demuxer logs them while it builds its index ("AVIndex stream S, sample N,
// ... keyframe K"). ffprobe's packet flags add what its bitstream parser
// finds (an intra-coded picture that is not an IDR is marked too), which is
// not what the file states; where the log covers a whole stream it is the
// reference for the key marks.
std::map<int, std::vector<bool>> containerKeys(const std::string &path) {
  std::map<int, std::vector<bool>> out;
  std::string log = oracle::run("ffprobe -v trace -show_entries format=duration -of compact " +
                                quoted(path) + " 2>&1 >/dev/null");
  const std::string tag = "AVIndex stream ";
  for (size_t at = log.find(tag); at != std::string::npos; at = log.find(tag, at + 1)) {
    int stream = -1, keyframe = -1;
    unsigned long sample = 0;
    size_t eol = log.find('\n', at);
    std::string line = log.substr(at, eol == std::string::npos ? std::string::npos : eol - at);
    if (std::sscanf(line.c_str(), "AVIndex stream %d, sample %lu,", &stream, &sample) != 2)
      continue;
    size_t k = line.find("keyframe ");
    if (k == std::string::npos) continue;
    keyframe = std::atoi(line.c_str() + k + 9);
    std::vector<bool> &keys = out[stream];
    if (keys.size() <= sample) keys.resize(sample + 1);
    keys[sample] = keyframe == 1;
  }
  return out;
}

struct Outcome {
  std::string summary;
  bool ok = true;
};

// One file against ffprobe; the returned line goes into the test's output.
Outcome compareFile(const std::string &path) {
  Outcome o;
  SCOPED_TRACE(path);
  std::vector<oracle::Stream> streams = oracle::streams(path);
  std::vector<oracle::Packet> packets = oracle::packets(path);
  EXPECT_FALSE(streams.empty()) << "ffprobe sees no stream";

  std::map<int, std::vector<bool>> tableKeys = containerKeys(path);

  OpenedFile file(path);
  EXPECT_EQ(file.openRc, 0);
  EXPECT_EQ(file.infoRc, 0);
  if (file.openRc != 0 || file.infoRc != 0) {
    o.ok = false;
    o.summary = "does not open";
    return o;
  }
  const KRNReaderInfo &info = file.info;
  uint32_t videoSeen = 0, audioSeen = 0;
  for (const oracle::Stream &s : streams) {
    if (s.type != "video" && s.type != "audio") continue;
    bool video = s.type == "video";
    uint32_t track = video ? videoSeen++ : audioSeen++;
    SCOPED_TRACE("stream " + std::to_string(s.index) + " " + s.type);
    if (video ? track >= info.videoCount : track >= info.audioCount) {
      ADD_FAILURE() << "track not reported";
      o.ok = false;
      continue;
    }
    std::vector<oracle::Packet> ref;
    for (const oracle::Packet &p : packets)
      if (p.stream == s.index) ref.push_back(p);

    if (video) {
      int32_t rc = 0;
      std::vector<ReadFrame> got = readTrack(file.reader, KRN_MEDIA_VIDEO, track, nullptr, rc);
      EXPECT_EQ(rc, KRNSTREAM_ERR_EOD);
      // The count in the headers, which ffprobe reports as well when it has one.
      EXPECT_EQ(info.video[track].frameCount,
                s.frames > 0 ? static_cast<size_t>(s.frames) : ref.size());
      EXPECT_EQ(got.size(), ref.size());
      std::vector<bool> keys;
      for (const oracle::Packet &p : ref) keys.push_back(p.key);
      size_t parserKeys = 0;
      if (tableKeys[s.index].size() == ref.size()) {
        for (size_t n = 0; n < ref.size(); ++n) parserKeys += keys[n] && !tableKeys[s.index][n];
        keys = tableKeys[s.index];
      }
      size_t bad = 0;
      double offset = got.empty() || ref.empty() ? 0 : got[0].time - ref[0].dts * 1000.0;
      for (size_t n = 0; n < std::min(got.size(), ref.size()); ++n) {
        double ms = ref[n].dts * 1000.0 + offset;
        bool same = got[n].size == static_cast<uint32_t>(ref[n].size) &&
                    (got[n].key == KRN_FRAME_KEY) == keys[n] &&
                    std::fabs(static_cast<double>(got[n].time) - ms) <= 1.0;
        if (!same && bad++ < 5)
          ADD_FAILURE() << "frame " << n << ": size " << got[n].size << " / " << ref[n].size
                        << ", key " << int(got[n].key) << " / " << keys[n] << ", time "
                        << got[n].time << " / " << ms;
      }
      EXPECT_EQ(bad, 0u);
      if (bad || got.size() != ref.size()) o.ok = false;
      o.summary += " video " + std::to_string(got.size()) + "/" + std::to_string(ref.size()) +
                   " frames (offset " + std::to_string(static_cast<long>(std::lround(offset))) +
                   " ms" +
                   (parserKeys ? ", " + std::to_string(parserKeys) +
                                     " intra pictures ffprobe marks key are not sync samples"
                               : std::string()) +
                   ");";
    } else {
      int32_t rc = 0;
      std::string ours;
      std::vector<ReadFrame> got = readTrack(file.reader, KRN_MEDIA_AUDIO, track, &ours, rc);
      EXPECT_EQ(rc, KRNSTREAM_ERR_EOD);
      std::string theirs =
          oracle::run("ffmpeg -v error -i " + quoted(path) + " -map 0:" +
                      std::to_string(s.index) + " -c copy -f data - </dev/null");
      EXPECT_FALSE(theirs.empty()) << "ffmpeg copied no audio";
      EXPECT_EQ(ours.size(), theirs.size());
      bool same = ours == theirs;
      EXPECT_TRUE(same) << "audio bytes differ";
      if (!same) o.ok = false;
      o.summary += " audio " + std::to_string(ours.size()) + "/" + std::to_string(theirs.size()) +
                   " bytes in " + std::to_string(got.size()) + " frames;";
    }
  }
  EXPECT_EQ(info.videoCount, videoSeen);
  EXPECT_EQ(info.audioCount, std::min(audioSeen, 1u));
  return o;
}

}  // namespace

TEST(RealFiles, EveryFileOpensAndAgreesWithFfprobe) {
  std::string dir = realMediaDir();
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    GTEST_SKIP() << "no shared media folder at " << dir
                 << ": recordings from other cameras are not checked";
  std::vector<std::string> files = mediaFiles(dir);
  ASSERT_FALSE(files.empty()) << "no MP4, 3GP or AVI file in " << dir;
  for (const std::string &path : files) {
    Outcome o = compareFile(path);
    std::printf("[ real file ] %s: %s%s\n", path.substr(dir.size() + 1).c_str(),
                o.ok ? "agrees:" : "DIFFERS:", o.summary.c_str());
  }
}
