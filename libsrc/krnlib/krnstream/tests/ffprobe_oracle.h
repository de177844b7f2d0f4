// Runs ffmpeg and ffprobe for the tests: files are made at test time and
// ffprobe's view of them is the reference our reader is held to.
#ifndef KRNSTREAM_TESTS_FFPROBE_ORACLE_H
#define KRNSTREAM_TESTS_FFPROBE_ORACLE_H

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "krnstream.h"

namespace oracle {

inline std::string run(const std::string &command) {
  std::string out;
  FILE *p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

inline bool ffmpeg(const std::string &args) {
  return std::system(("ffmpeg -v error -y -threads 1 " + args + " </dev/null").c_str()) == 0;
}

struct Stream {
  int index = 0;
  std::string type;  // video, audio, data, subtitle
  std::string tag;
  double duration = 0;
  long frames = 0;
};

struct Packet {
  int stream;
  long size;
  double dts;
  bool key;
};

// ffprobe's compact output: key=value fields separated by '|', one section a line.
inline std::map<std::string, std::string> fields(const std::string &line) {
  std::map<std::string, std::string> out;
  std::stringstream ss(line);
  std::string kv;
  while (std::getline(ss, kv, '|')) {
    size_t eq = kv.find('=');
    if (eq != std::string::npos) out[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  return out;
}

inline std::vector<Stream> streams(const std::string &path) {
  std::vector<Stream> out;
  std::stringstream in(
      run("ffprobe -v error -show_entries "
          "stream=index,codec_type,codec_tag_string,duration,nb_frames -of "
          "compact=p=0 '" +
          path + "'"));
  std::string line;
  while (std::getline(in, line)) {
    auto f = fields(line);
    if (!f.count("index")) continue;
    Stream s;
    s.index = std::atoi(f["index"].c_str());
    s.type = f["codec_type"];
    s.tag = f["codec_tag_string"];
    s.duration = std::atof(f["duration"].c_str());
    s.frames = std::atol(f["nb_frames"].c_str());
    out.push_back(s);
  }
  return out;
}

inline std::vector<Packet> packets(const std::string &path) {
  std::vector<Packet> out;
  std::stringstream in(
      run("ffprobe -v error -show_entries packet=stream_index,size,dts_time,flags "
          "-of compact=p=0 '" +
          path + "'"));
  std::string line;
  while (std::getline(in, line)) {
    auto f = fields(line);
    if (!f.count("stream_index") || !f.count("size")) continue;
    out.push_back({std::atoi(f["stream_index"].c_str()), std::atol(f["size"].c_str()),
                   std::atof(f["dts_time"].c_str()), !f["flags"].empty() && f["flags"][0] == 'K'});
  }
  return out;
}

// The reader's media type for an ffprobe codec type (data and subtitle
// streams are the text tracks).
inline int mediaTypeOf(const std::string &codecType) {
  if (codecType == "video") return KRN_MEDIA_VIDEO;
  if (codecType == "audio") return KRN_MEDIA_AUDIO;
  return KRN_MEDIA_TEXT;
}

inline std::string errors(const std::string &path) {
  return run("ffprobe -v error -show_packets '" + path + "' 2>&1 >/dev/null");
}

}  // namespace oracle

#endif
