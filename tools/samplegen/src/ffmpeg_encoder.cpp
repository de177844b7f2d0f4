#include "ffmpeg_encoder.h"

#include "mp4_input.h"
#include "process.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace samplegen {
namespace {

struct ChannelLook {
  const char *label;
  const char *source;  // lavfi test source
};

// Each channel gets a picture of its own so that a viewer (and a test looking at frames)
// can tell them apart at a glance.
const ChannelLook kChannelLooks[] = {
    {"CH1 FRONT", "testsrc2"},
    {"CH2 REAR", "smptebars"},
    {"CH3 REAR 2", "testsrc"},
};

const char *const kFontCandidates[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc",
    "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
};

constexpr uint32_t kAudioRate = 48000;
constexpr uint16_t kPcmBits = 16;
// Samples per PCM chunk: 1024, as ffmpeg's own AVI writer stores them; its reader hands
// out at most that many 16-bit samples per packet, so each chunk stays one packet there.
constexpr uint32_t kPcmChunkSamples = 1024;

bool fileExists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A filter option value: ffmpeg unescapes "\\" and "\:" once when it splits the options.
std::string optionValue(const std::string &text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\\' || c == ':') out += '\\';
    if (c == '\'') throw std::logic_error("quote in a drawtext value");
    out += c;
  }
  return out + "'";
}

std::string fontOption(const Options &options) {
  std::string file = options.font;
  if (file.empty()) {
    for (const char *candidate : kFontCandidates) {
      if (fileExists(candidate)) {
        file = candidate;
        break;
      }
    }
  }
  // Without a font file drawtext asks fontconfig for a monospaced face.
  return file.empty() ? "font=" + optionValue("Monospace") : "fontfile=" + optionValue(file);
}

std::string pictureFilter(const Options &options, int channel, std::time_t start) {
  const ChannelLook &look = kChannelLooks[channel - 1];
  const std::string font = fontOption(options);
  const uint32_t big = std::max<uint32_t>(12, options.height / 12);
  const uint32_t small = std::max<uint32_t>(10, options.height / 18);
  const std::string box = ":box=1:boxcolor=black@0.6:boxborderw=4";

  // Expanded by drawtext per frame; "\:" keeps the time format's colons literal.
  const std::string clock =
      "%{pts:gmtime:" + std::to_string(static_cast<long long>(start)) + ":%Y-%m-%d %H\\:%M\\:%S}";
  const std::string running = "t=%{pts:hms}  frame %{frame_num}";

  std::string f;
  f += "drawtext=" + font + ":text=" + optionValue(look.label) + ":x=(w-text_w)/2:y=h/10" +
       ":fontsize=" + std::to_string(big) + ":fontcolor=white" + box;
  f += ",drawtext=" + font + ":text=" + optionValue(clock) + ":x=w/30:y=h-2.6*" +
       std::to_string(small) + ":fontsize=" + std::to_string(small) + ":fontcolor=white" + box;
  f += ",drawtext=" + font + ":text=" + optionValue(running) + ":x=w/30:y=h-1.3*" +
       std::to_string(small) + ":fontsize=" + std::to_string(small) + ":fontcolor=yellow" + box;
  f += ",format=yuv420p";
  return f;
}

std::vector<std::string> encoderArgs(const Options &o) {
  const std::string gop = std::to_string(o.gop);
  const std::string threads = std::to_string(o.threads);
  if (o.codec == VideoCodec::H265) {
    // No B-frames, fixed key-frame interval: the camera's I/P structure.
    return {"-c:v",
            "libx265",
            "-preset",
            "ultrafast",
            "-x265-params",
            "bframes=0:keyint=" + gop + ":min-keyint=" + gop +
                ":scenecut=0:open-gop=0:repeat-headers=0:log-level=error:pools=" + threads +
                ":frame-threads=1"};
  }
  std::vector<std::string> args = {
      "-c:v", "libx264", "-preset",     "ultrafast", "-bf",           "0",
      "-g",   gop,       "-keyint_min", gop,         "-sc_threshold", "0"};
  // x264 signals the lowest profile its tools need, and ultrafast needs only Baseline's:
  // switch on what tells the profiles apart (CABAC for Main, 8x8 transform for High).
  if (o.h264Profile == "main") args.insert(args.end(), {"-x264-params", "cabac=1"});
  if (o.h264Profile == "high") args.insert(args.end(), {"-x264-params", "cabac=1:8x8dct=1"});
  if (!o.h264Profile.empty()) args.insert(args.end(), {"-profile:v", o.h264Profile});
  return args;
}

std::string seconds(uint32_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%03u", ms / 1000, ms % 1000);
  return text;
}

uint32_t videoTimescale(uint32_t fps) {
  return 90000 % fps == 0 ? 90000 : fps * 1000;
}

// Length-prefixed parameter-set NAL units (VPS, SPS, PPS) out of an hvcC payload, and
// the same hvcC with the "array complete" bits cleared, as "hev1" asks.
void splitHevcConfig(Track &track) {
  std::vector<uint8_t> &c = track.config;
  if (c.size() < 23) throw std::runtime_error("hvcC too short");
  const size_t lengthSize = (c[21] & 3) + 1;
  size_t pos = 23;
  for (uint8_t array = 0, arrays = c[22]; array < arrays; ++array) {
    if (pos + 3 > c.size()) throw std::runtime_error("hvcC array runs past its end");
    c[pos] &= 0x7F;
    const size_t count = static_cast<size_t>(c[pos + 1] << 8 | c[pos + 2]);
    pos += 3;
    for (size_t k = 0; k < count; ++k) {
      if (pos + 2 > c.size()) throw std::runtime_error("hvcC NAL unit runs past its end");
      const size_t length = static_cast<size_t>(c[pos] << 8 | c[pos + 1]);
      pos += 2;
      if (pos + length > c.size()) throw std::runtime_error("hvcC NAL unit runs past its end");
      for (size_t b = lengthSize; b-- > 0;) {
        track.parameterSets.push_back(static_cast<uint8_t>(length >> (8 * b)));
      }
      track.parameterSets.insert(track.parameterSets.end(), c.begin() + static_cast<long>(pos),
                                 c.begin() + static_cast<long>(pos + length));
      pos += length;
    }
  }
  if (track.parameterSets.empty()) throw std::runtime_error("hvcC holds no parameter sets");
}

Track videoTrack(const Options &o, int channel, const EncodedTrack &e,
                 const std::string &workFile) {
  const uint32_t frames = static_cast<uint32_t>(static_cast<uint64_t>(o.durationMs) * o.fps / 1000);
  if (e.samples.size() != frames) {
    throw std::runtime_error("ffmpeg wrote " + std::to_string(e.samples.size()) +
                             " frames for channel " + std::to_string(channel) + ", expected " +
                             std::to_string(frames));
  }
  Track t;
  t.kind = TrackKind::Video;
  t.codec = o.codec == VideoCodec::H265 ? Codec::H265 : Codec::H264;
  t.label = kChannelLooks[channel - 1].label;
  t.timescale = videoTimescale(o.fps);
  t.config = e.config;
  t.width = e.width;
  t.height = e.height;
  t.sourcePath = workFile;
  t.samples = e.samples;
  for (size_t i = 0; i < t.samples.size(); ++i) {
    t.samples[i].duration = t.timescale / o.fps;
    if (t.samples[i].sync != (i % o.gop == 0)) {
      throw std::runtime_error("channel " + std::to_string(channel) +
                               ": key frames do not follow the GOP of " + std::to_string(o.gop));
    }
  }
  if (t.codec == Codec::H265 && o.hev1) {
    t.inbandParameterSets = true;
    splitHevcConfig(t);
  }
  return t;
}

Track audioTrack(const Options &o, const EncodedTrack &e, const std::string &workFile) {
  Track t;
  t.kind = TrackKind::Audio;
  t.codec = Codec::Aac;
  t.label = "CH1 AUDIO";
  t.timescale = e.timescale;
  t.config = e.config;
  t.channelCount = e.channelCount;
  t.sampleRate = e.sampleRate;
  t.primingSamples = e.editMediaTime;
  t.playDuration = static_cast<uint64_t>(o.durationMs) * e.timescale / 1000;
  t.sourcePath = workFile;
  // Just enough frames to cover the recording after the priming samples.
  uint64_t covered = 0;
  for (const SampleRef &s : e.samples) {
    if (covered >= t.playDuration + t.primingSamples) break;
    t.samples.push_back(s);
    covered += s.duration;
  }
  if (covered < t.playDuration + t.primingSamples) {
    throw std::runtime_error("ffmpeg wrote too little audio");
  }
  return t;
}

// Raw mono PCM in chunks of kPcmChunkSamples, exactly as long as the recording.
Track pcmTrack(const Options &o, const std::string &pcmFile) {
  Track t;
  t.kind = TrackKind::Audio;
  t.codec = Codec::Pcm;
  t.label = "CH1 AUDIO";
  t.timescale = kAudioRate;
  t.channelCount = 1;
  t.sampleRate = kAudioRate;
  t.bitsPerSample = kPcmBits;
  t.sourcePath = pcmFile;
  const uint32_t frameBytes = kPcmBits / 8;
  t.playDuration = static_cast<uint64_t>(o.durationMs) * kAudioRate / 1000;
  struct stat st;
  if (stat(pcmFile.c_str(), &st) != 0 ||
      static_cast<uint64_t>(st.st_size) < t.playDuration * frameBytes) {
    throw std::runtime_error("ffmpeg wrote too little audio");
  }
  for (uint64_t done = 0; done < t.playDuration; done += kPcmChunkSamples) {
    SampleRef s;
    s.offset = done * frameBytes;
    s.duration = static_cast<uint32_t>(std::min<uint64_t>(kPcmChunkSamples, t.playDuration - done));
    s.size = s.duration * frameBytes;
    s.sync = true;
    t.samples.push_back(s);
  }
  return t;
}

}  // namespace

std::string channelLabel(int channel) {
  return kChannelLooks[channel - 1].label;
}

EncodedChannel encodeChannel(const Options &o, int channel, std::time_t start, Codec audioCodec,
                             const std::string &workFile, const std::string &pcmWorkFile) {
  if (channel < 1 || channel > 3) throw std::logic_error("channel out of range");
  if (audioCodec != Codec::Aac && audioCodec != Codec::Pcm) {
    throw std::logic_error("sound is AAC or PCM");
  }
  const bool withAudio = o.audio && channel == 1;
  const bool pcm = withAudio && audioCodec == Codec::Pcm;
  const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);

  std::vector<std::string> argv = {o.ffmpeg,
                                   "-nostdin",
                                   "-hide_banner",
                                   "-loglevel",
                                   "error",
                                   "-y",
                                   "-f",
                                   "lavfi",
                                   "-i",
                                   std::string(kChannelLooks[channel - 1].source) +
                                       "=size=" + size + ":rate=" + std::to_string(o.fps) +
                                       ":duration=" + seconds(o.durationMs)};
  if (withAudio) {
    // Half a second more than needed, so that the encoder's delay never leaves us short.
    argv.insert(argv.end(),
                {"-f", "lavfi", "-i",
                 "sine=frequency=880:beep_factor=4:sample_rate=" + std::to_string(kAudioRate) +
                     ":duration=" + seconds(o.durationMs + 500)});
  }
  argv.insert(argv.end(), {"-filter_threads", "1", "-vf", pictureFilter(o, channel, start), "-map",
                           "0:v", "-threads", std::to_string(o.threads)});
  const std::vector<std::string> video = encoderArgs(o);
  argv.insert(argv.end(), video.begin(), video.end());
  if (withAudio && !pcm) {
    argv.insert(argv.end(), {"-map", "1:a", "-c:a", "aac", "-b:a", "64k", "-ac", "1", "-ar",
                             std::to_string(kAudioRate)});
  }
  argv.insert(argv.end(), {"-f", "mp4", workFile});
  if (pcm) {
    // A second output: the samples alone, which the container writer chunks itself.
    argv.insert(argv.end(), {"-map", "1:a", "-c:a", "pcm_s16le", "-ac", "1", "-ar",
                             std::to_string(kAudioRate), "-f", "s16le", pcmWorkFile});
  }

  if (o.verbose) std::fprintf(stderr, "%s\n", quoteCommand(argv).c_str());
  runProgram(argv);

  EncodedChannel out;
  bool haveVideo = false;
  for (const EncodedTrack &e : readEncodedMp4(workFile)) {
    if (e.handler == "vide" && !haveVideo) {
      out.video = videoTrack(o, channel, e, workFile);
      haveVideo = true;
    } else if (e.handler == "soun" && withAudio && !pcm) {
      out.audio = audioTrack(o, e, workFile);
    }
  }
  if (pcm) out.audio = pcmTrack(o, pcmWorkFile);
  if (!haveVideo)
    throw std::runtime_error("ffmpeg wrote no video for channel " + std::to_string(channel));
  if (withAudio && !out.audio) throw std::runtime_error("ffmpeg wrote no audio");
  return out;
}

}  // namespace samplegen
