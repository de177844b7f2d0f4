// reader_bench: how long it takes to get the text track out of a recording.
//
// For every MP4 and AVI recording in the folders given it times three ways of reading the
// whole first text track (the GPS/G-sensor records the viewer shows beside the video):
//   (a) krnstream: KRNReaderOpen, KRNReaderGetInfo, KRNReaderReadFrame per sample, Close --
//       exactly what the viewer does when a recording is opened;
//   (b) libavformat as a probing tool uses it: avformat_open_input, avformat_find_stream_info,
//       then av_read_frame over the whole file, keeping the text stream's packets;
//   (c) libavformat at its leanest: avformat_open_input, every other stream discarded, then
//       av_read_frame (no find_stream_info).
// The three must agree on the number of text samples and their bytes. Each file is read once
// untimed (warm file cache), then the three methods run interleaved for several rounds. MP4
// and AVI recordings are reported apart.
//
// Usage: reader_bench [--rounds N] FOLDER...

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "krnstream.h"

namespace {

// What one reading of a file's text track produced.
struct TextTrackRead {
  bool ok = false;
  uint64_t samples = 0;
  uint64_t bytes = 0;
  std::string error;
};

TextTrackRead failed(std::string error) {
  TextTrackRead r;
  r.error = std::move(error);
  return r;
}

std::string hex(int32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// Paths reach krnstream as wide text; narrow paths are UTF-8 whatever the locale says.
std::wstring widenUtf8(const std::string &s) {
  std::wstring out;
  for (size_t i = 0; i < s.size();) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const size_t len = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 4;
    uint32_t cp = len == 1 ? lead : len == 2 ? lead & 0x1F : len == 3 ? lead & 0x0F : lead & 0x07;
    for (size_t k = 1; k < len && i + k < s.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    out.push_back(static_cast<wchar_t>(cp));
    i += len;
  }
  return out;
}

// (a) The viewer's way: open, information, every sample of text track 0, close.
TextTrackRead readWithKrnstream(const std::wstring &path) {
  KRNReaderParam param{};
  param.path = path.c_str();
  KRNReader *reader = nullptr;
  const int32_t openRc = KRNReaderOpen(&reader, &param);
  if (openRc != KRNSTREAM_OK) return failed("KRNReaderOpen: " + hex(openRc));

  TextTrackRead r;
  KRNReaderInfo info{};
  const int32_t infoRc = KRNReaderGetInfo(reader, &info);
  if (infoRc != KRNSTREAM_OK) {
    r.error = "KRNReaderGetInfo: " + hex(infoRc);
  } else if (info.textCount == 0) {
    r.error = "krnstream reports no text track";
  } else {
    std::vector<uint8_t> buffer(std::max<uint32_t>(info.text[0].maxSampleSize, 1));
    KRNReaderFrame frame{};
    frame.mediaType = KRN_MEDIA_TEXT;
    frame.track = 0;
    r.ok = true;
    for (;;) {
      frame.data = buffer.data();
      frame.capacity = static_cast<uint32_t>(buffer.size());
      const int32_t rc = KRNReaderReadFrame(reader, &frame);
      if (rc == KRNSTREAM_ERR_BUFSIZE) {
        // The reader wrote the size it needs into the capacity field.
        if (frame.capacity <= buffer.size()) {
          r.ok = false;
          r.error = "KRNReaderReadFrame: buffer too small but no larger size given";
          break;
        }
        buffer.resize(frame.capacity);
        continue;
      }
      if (rc < 0) break;  // the end of the track, as the viewer treats it
      ++r.samples;
      r.bytes += frame.size;
    }
  }
  KRNReaderClose(reader);
  return r;
}

// libavformat does not pass the MP4 handler type ("tvxt") on. Such a track shows up as a
// subtitle or data stream carrying its sample entry's tag, which for the camera's records is
// the timed-text entry "tx3g".
//
// An AVI text stream ("txts") names no format at all: libavformat takes it for a subtitle
// stream and guesses the codec from the packets' bytes, which for binary records finds
// nothing -- or, when a few bytes happen to look like an MPEG audio frame header, "mp3". So
// it is found by what every other AVI stream has and it lacks: a format tag (the wave format
// of sound, "DXSB" for picture subtitles). Pictures may lack one too (uncompressed RGB).
int findTextStream(const AVFormatContext *format) {
  static const uint32_t textTags[] = {MKTAG('t', 'x', '3', 'g'), MKTAG('t', 'e', 'x', 't'),
                                      MKTAG('t', 'v', 'x', 't')};
  const bool avi = std::strcmp(format->iformat->name, "avi") == 0;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVCodecParameters *par = format->streams[i]->codecpar;
    if (avi) {
      if (par->codec_type != AVMEDIA_TYPE_VIDEO && par->codec_tag == 0) return static_cast<int>(i);
      continue;
    }
    if (par->codec_type != AVMEDIA_TYPE_DATA && par->codec_type != AVMEDIA_TYPE_SUBTITLE) continue;
    if (std::find(std::begin(textTags), std::end(textTags), par->codec_tag) != std::end(textTags)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// (b) and (c): libavformat with or without stream probing.
TextTrackRead readWithLibavformat(const std::string &path, bool probeStreams) {
  AVFormatContext *format = nullptr;
  const int openRc = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
  if (openRc < 0) return failed("avformat_open_input: " + avError(openRc));

  TextTrackRead r;
  AVPacket *packet = av_packet_alloc();
  int textIndex = -1;
  if (packet == nullptr) {
    r.error = "av_packet_alloc failed";
  } else if (int rc = probeStreams ? avformat_find_stream_info(format, nullptr) : 0; rc < 0) {
    r.error = "avformat_find_stream_info: " + avError(rc);
  } else if ((textIndex = findTextStream(format)) < 0) {
    r.error = "libavformat reports no text stream";
  } else {
    if (!probeStreams) {
      for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != textIndex) format->streams[i]->discard = AVDISCARD_ALL;
      }
    }
    r.ok = true;
    int rc = 0;
    while ((rc = av_read_frame(format, packet)) >= 0) {
      if (packet->stream_index == textIndex) {
        ++r.samples;
        r.bytes += static_cast<uint64_t>(packet->size);
      }
      av_packet_unref(packet);
    }
    if (rc != AVERROR_EOF) {
      r.ok = false;
      r.error = "av_read_frame: " + avError(rc);
    }
  }
  av_packet_free(&packet);
  avformat_close_input(&format);
  return r;
}

struct Method {
  const char *label;
  TextTrackRead (*read)(const std::string &path, const std::wstring &widePath);
  std::vector<double> micros;  // one entry per file and round
};

TextTrackRead methodKrnstream(const std::string &, const std::wstring &widePath) {
  return readWithKrnstream(widePath);
}
TextTrackRead methodProbe(const std::string &path, const std::wstring &) {
  return readWithLibavformat(path, true);
}
TextTrackRead methodLean(const std::string &path, const std::wstring &) {
  return readWithLibavformat(path, false);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The containers the bench reports apart, by file name extension.
struct Container {
  const char *name;
  const char *extension;
};
const Container kContainers[] = {{"MP4", ".mp4"}, {"AVI", ".avi"}};

const Container *containerOf(const std::filesystem::path &p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  for (const Container &c : kContainers) {
    if (ext == c.extension) return &c;
  }
  return nullptr;
}

// Recordings of the folders, by container, each list sorted.
std::vector<std::vector<std::string>> recordingsIn(const std::vector<std::string> &folders,
                                                   std::string &error) {
  std::vector<std::vector<std::string>> files(std::size(kContainers));
  for (const std::string &folder : folders) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      const Container *c = it->is_regular_file() ? containerOf(it->path()) : nullptr;
      if (c) files[static_cast<size_t>(c - kContainers)].push_back(it->path().string());
    }
    if (ec) {
      error = folder + ": " + ec.message();
      break;
    }
  }
  for (std::vector<std::string> &list : files) std::sort(list.begin(), list.end());
  return files;
}

// Times the three methods on the files of one container and prints the figures; false when
// not every file could be read alike.
bool benchmark(const Container &container, const std::vector<std::string> &files, int rounds) {
  std::vector<Method> methods = {
      {"(a) krnstream open+info+text+close", methodKrnstream, {}},
      {"(b) libavformat open+find_stream_info+read", methodProbe, {}},
      {"(c) libavformat open+read, others discarded", methodLean, {}},
  };

  bool allGood = true;
  uint64_t fewestSamples = UINT64_MAX;
  uint64_t mostSamples = 0;
  for (const std::string &file : files) {
    const std::wstring widePath = widenUtf8(file);
    // Untimed pass: brings the file into the page cache and checks that all agree.
    std::vector<TextTrackRead> reads;
    for (Method &m : methods) reads.push_back(m.read(file, widePath));
    bool fileGood = true;
    for (size_t k = 0; k < methods.size(); ++k) {
      if (!reads[k].ok) {
        std::fprintf(stderr, "reader_bench: %s: %s: %s\n", file.c_str(), methods[k].label,
                     reads[k].error.c_str());
        fileGood = false;
      }
    }
    if (fileGood) {
      for (size_t k = 1; k < methods.size(); ++k) {
        if (reads[k].samples != reads[0].samples || reads[k].bytes != reads[0].bytes) {
          std::fprintf(stderr,
                       "reader_bench: %s: text samples differ: %s %llu (%llu bytes), %s %llu "
                       "(%llu bytes)\n",
                       file.c_str(), methods[0].label,
                       static_cast<unsigned long long>(reads[0].samples),
                       static_cast<unsigned long long>(reads[0].bytes), methods[k].label,
                       static_cast<unsigned long long>(reads[k].samples),
                       static_cast<unsigned long long>(reads[k].bytes));
          fileGood = false;
        }
      }
    }
    if (!fileGood) {
      allGood = false;
      continue;
    }
    fewestSamples = std::min(fewestSamples, reads[0].samples);
    mostSamples = std::max(mostSamples, reads[0].samples);

    for (int round = 0; round < rounds && fileGood; ++round) {
      for (Method &m : methods) {
        const auto start = std::chrono::steady_clock::now();
        const TextTrackRead r = m.read(file, widePath);
        const auto stop = std::chrono::steady_clock::now();
        if (!r.ok || r.samples != reads[0].samples) {
          std::fprintf(stderr, "reader_bench: %s: %s: round %d read %llu samples (%s)\n",
                       file.c_str(), m.label, round + 1, static_cast<unsigned long long>(r.samples),
                       r.ok ? "count changed" : r.error.c_str());
          fileGood = false;
          allGood = false;
          break;
        }
        m.micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
      }
    }
  }
  if (!allGood) {
    std::fprintf(stderr, "reader_bench: not every %s recording could be read alike; no figures\n",
                 container.name);
    return false;
  }

  std::printf("reader_bench: %zu %s recording(s), %d round(s), %llu..%llu text samples per file\n",
              files.size(), container.name, rounds, static_cast<unsigned long long>(fewestSamples),
              static_cast<unsigned long long>(mostSamples));
  std::printf("%-46s %12s %10s %10s\n", "method", "median us", "min us", "max us");
  std::vector<double> medians;
  for (const Method &m : methods) {
    medians.push_back(median(m.micros));
    std::printf("%-46s %12.1f %10.1f %10.1f\n", m.label, medians.back(),
                *std::min_element(m.micros.begin(), m.micros.end()),
                *std::max_element(m.micros.begin(), m.micros.end()));
  }
  const double probeRatio = medians[1] / medians[0];
  const double leanRatio = medians[2] / medians[0];
  std::printf("%s ratio b/a: %.2f (goal: at least 20)%s\n", container.name, probeRatio,
              probeRatio >= 20 ? "" : "  -- goal missed");
  std::printf("%s ratio c/a: %.2f (goal: at least 1)%s\n", container.name, leanRatio,
              leanRatio >= 1 ? "" : "  -- goal missed");
  return true;
}

void usage(const char *program) {
  std::fprintf(stderr,
               "usage: %s [--rounds N] FOLDER...\n"
               "Times reading the text track of every .mp4 and .avi recording in the FOLDERs\n"
               "with krnstream and with libavformat, and prints the medians in microseconds\n"
               "per file, for each container apart.\n",
               program);
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<std::string> folders;
  int rounds = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::atoi(argv[++i]);
      if (rounds < 1) {
        usage(argv[0]);
        return 2;
      }
    } else if (arg == "-h" || arg == "--help") {
      usage(argv[0]);
      return 0;
    } else if (arg.rfind("-", 0) != 0) {
      folders.push_back(arg);
    } else {
      usage(argv[0]);
      return 2;
    }
  }
  if (folders.empty()) {
    usage(argv[0]);
    return 2;
  }

  std::string listError;
  const std::vector<std::vector<std::string>> files = recordingsIn(folders, listError);
  const bool none = std::all_of(files.begin(), files.end(),
                                [](const std::vector<std::string> &l) { return l.empty(); });
  if (!listError.empty() || none) {
    std::fprintf(stderr, "reader_bench: %s\n",
                 listError.empty() ? "no .mp4 or .avi recordings found" : listError.c_str());
    return 1;
  }
  // Every read is checked by its outcome. libavformat's decoders would otherwise complain
  // at length about its codec guesses for the AVI text stream (see findTextStream).
  av_log_set_level(AV_LOG_FATAL);

  bool allGood = true;
  for (size_t c = 0; c < files.size(); ++c) {
    if (files[c].empty()) continue;
    if (c > 0) std::printf("\n");
    allGood = benchmark(kContainers[c], files[c], rounds) && allGood;
  }
  return allGood ? 0 : 1;
}
