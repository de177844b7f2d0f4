#include "mp4_writer.h"

#include "box_writer.h"
#include "output_file.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace samplegen {
namespace {

constexpr uint32_t kMovieTimescale = 1000;
constexpr int64_t kSeconds1904To1970 = 2082844800;
constexpr uint32_t kSyncSampleFlags = 0x02000000;     // depends on no other sample
constexpr uint32_t kNonSyncSampleFlags = 0x01010000;  // depends on others, not a sync sample
constexpr uint16_t kLanguageUnd = 0x55C4;             // packed ISO-639-2 "und"

const uint32_t kUnityMatrix[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};

uint64_t toMovieTime(uint64_t t, uint32_t timescale) {
  return (t * kMovieTimescale + timescale / 2) / timescale;
}

// Where each sample of a track sits in time and in the interleaving.
struct TrackPlan {
  const Track *track = nullptr;
  uint32_t id = 0;
  std::vector<uint64_t> starts;   // decode time of each sample, track time scale
  std::vector<uint64_t> windows;  // key-frame interval each sample belongs to
};

struct Chunk {
  size_t plan = 0;
  size_t first = 0;
  size_t count = 0;
  uint64_t offset = 0;  // file position of the chunk's first byte
};

// Samples [first, last) of one track inside one interleaving window.
struct Span {
  size_t first = 0;
  size_t last = 0;
  size_t size() const { return last - first; }
};

uint64_t presentedDuration(const Track &t) {
  return t.kind == TrackKind::Audio && t.playDuration ? t.playDuration : t.mediaDuration();
}

const char *handlerType(const Track &t) {
  switch (t.kind) {
    case TrackKind::Video:
      return "vide";
    case TrackKind::Audio:
      return "soun";
    case TrackKind::Telemetry:
      return "tvxt";
  }
  return "????";
}

class Mp4File {
 public:
  Mp4File(const RecordingFile &file, const ContainerSettings &settings)
      : file_(file), settings_(settings) {
    if (file.fps == 0 || file.gop == 0) throw std::logic_error("frame rate and GOP needed");
    uint32_t id = 1;
    for (const Track *t : file.tracks) {
      if (t->codec == Codec::Pcm) throw std::logic_error("MP4 recordings carry AAC sound only");
      TrackPlan plan;
      plan.track = t;
      plan.id = id++;
      uint64_t time = 0;
      for (const SampleRef &s : t->samples) {
        plan.starts.push_back(time);
        // window = floor(presentation time / (gop / fps)), kept in integers; audio frames
        // go with the pictures they play under, not with their priming-shifted media time.
        const uint64_t shown = time > t->primingSamples ? time - t->primingSamples : 0;
        plan.windows.push_back(shown * file.fps / (static_cast<uint64_t>(t->timescale) * file.gop));
        time += s.duration;
      }
      if (!plan.windows.empty()) windowCount_ = std::max(windowCount_, plan.windows.back() + 1);
      plans_.push_back(std::move(plan));
    }
    for (const Track *t : file.tracks) {
      movieDuration_ = std::max(movieDuration_, toMovieTime(presentedDuration(*t), t->timescale));
    }
  }

  void write() {
    OutputFile out(file_.path);
    BoxWriter head;
    writeFtyp(head);
    if (file_.aidd) {
      head.box("AIDD", [&] { head.u32(*file_.aidd); });
    }
    out.write(head.bytes());
    if (settings_.fragmented) {
      writeFragmented(out);
    } else {
      writeProgressive(out);
    }
    out.commit();
  }

 private:
  // ---- layout ----------------------------------------------------------------------

  std::vector<Span> spansOf(uint64_t window) {
    std::vector<Span> spans(plans_.size());
    if (cursors_.empty()) cursors_.assign(plans_.size(), 0);
    for (size_t p = 0; p < plans_.size(); ++p) {
      size_t &i = cursors_[p];
      spans[p].first = i;
      while (i < plans_[p].windows.size() && plans_[p].windows[i] == window) ++i;
      spans[p].last = i;
    }
    return spans;
  }

  std::vector<Chunk> planChunks(uint64_t payloadStart) {
    std::vector<Chunk> chunks;
    cursors_.clear();
    uint64_t offset = payloadStart;
    for (uint64_t w = 0; w < windowCount_; ++w) {
      const std::vector<Span> spans = spansOf(w);
      for (size_t p = 0; p < plans_.size(); ++p) {
        const Track &t = *plans_[p].track;
        // Audio frames are chunks of their own, as the camera stores them.
        const size_t step = t.kind == TrackKind::Audio ? 1 : std::max<size_t>(1, spans[p].size());
        for (size_t first = spans[p].first; first < spans[p].last; first += step) {
          Chunk c{p, first, std::min(step, spans[p].last - first), offset};
          for (size_t i = c.first; i < c.first + c.count; ++i) offset += t.storedSize(i);
          chunks.push_back(c);
        }
      }
    }
    if (offset > 0xFFFFFFFFull) {
      throw std::runtime_error(file_.path + ": media data beyond 4 GiB needs 64-bit offsets");
    }
    return chunks;
  }

  void copySamples(OutputFile &out, const TrackPlan &plan, size_t first, size_t count) {
    std::vector<uint8_t> body;
    for (size_t i = first; i < first + count; ++i) {
      source_.read(*plan.track, i, body);
      out.write(body);
    }
  }

  void writeProgressive(OutputFile &out) {
    const uint64_t headSize = out.position();
    uint64_t payloadBytes = 0;
    for (const TrackPlan &p : plans_) payloadBytes += p.track->totalBytes();
    if (payloadBytes + 8 > 0xFFFFFFFFull) {
      throw std::runtime_error(file_.path + ": media data beyond 4 GiB");
    }

    uint64_t payloadStart = headSize + 8;
    if (settings_.moovFirst) {
      // The moov's size does not depend on the offsets it holds: measure, then place.
      BoxWriter probe;
      writeMoov(probe, planChunks(0));
      payloadStart += probe.size();
    }
    const std::vector<Chunk> chunks = planChunks(payloadStart);
    BoxWriter moov;
    writeMoov(moov, chunks);

    if (settings_.moovFirst) out.write(moov.bytes());
    BoxWriter mdatHeader;
    mdatHeader.u32(static_cast<uint32_t>(payloadBytes + 8));
    mdatHeader.fourcc("mdat");
    out.write(mdatHeader.bytes());
    for (const Chunk &c : chunks) {
      if (out.position() != c.offset) throw std::logic_error("chunk placed off its offset");
      copySamples(out, plans_[c.plan], c.first, c.count);
    }
    if (!settings_.moovFirst) out.write(moov.bytes());
  }

  void writeFragmented(OutputFile &out) {
    BoxWriter moov;
    writeMoov(moov, {});
    out.write(moov.bytes());

    cursors_.clear();
    uint32_t sequence = 0;
    for (uint64_t w = 0; w < windowCount_; ++w) {
      const std::vector<Span> spans = spansOf(w);
      uint64_t payload = 0;
      for (size_t p = 0; p < plans_.size(); ++p) {
        for (size_t i = spans[p].first; i < spans[p].last; ++i) {
          payload += plans_[p].track->storedSize(i);
        }
      }
      if (payload == 0) continue;
      ++sequence;

      const uint64_t moofStart = out.position();
      BoxWriter probe;
      writeMoof(probe, spans, sequence, moofStart, 0);
      BoxWriter moof;
      writeMoof(moof, spans, sequence, moofStart, probe.size() + 8);
      out.write(moof.bytes());

      BoxWriter mdatHeader;
      mdatHeader.u32(static_cast<uint32_t>(payload + 8));
      mdatHeader.fourcc("mdat");
      out.write(mdatHeader.bytes());
      for (size_t p = 0; p < plans_.size(); ++p) {
        copySamples(out, plans_[p], spans[p].first, spans[p].size());
      }
    }
  }

  // ---- boxes -----------------------------------------------------------------------

  void writeFtyp(BoxWriter &w) const {
    bool h264 = false;
    for (const Track *t : file_.tracks) h264 = h264 || t->codec == Codec::H264;
    w.box("ftyp", [&] {
      w.fourcc("isom");
      w.u32(0x200);
      w.fourcc("isom");
      w.fourcc("iso2");
      if (settings_.fragmented) w.fourcc("iso6");
      if (h264) w.fourcc("avc1");
      w.fourcc("mp41");
    });
  }

  // Seconds since 1904; the first years of the 1900s have no such time and get 0.
  uint32_t macTime() const {
    const int64_t t = static_cast<int64_t>(file_.startTime) + kSeconds1904To1970;
    return t < 0 ? 0 : static_cast<uint32_t>(t);
  }

  void matrix(BoxWriter &w) const {
    for (uint32_t v : kUnityMatrix) w.u32(v);
  }

  void writeMoov(BoxWriter &w, const std::vector<Chunk> &chunks) {
    const bool frag = settings_.fragmented;
    w.box("moov", [&] {
      w.fullBox("mvhd", 0, 0, [&] {
        w.u32(macTime());
        w.u32(macTime());
        w.u32(kMovieTimescale);
        w.u32(frag ? 0 : static_cast<uint32_t>(movieDuration_));
        w.u32(0x00010000);  // rate 1.0
        w.u16(0x0100);      // volume 1.0
        w.zeros(10);
        matrix(w);
        w.zeros(24);
        w.u32(static_cast<uint32_t>(plans_.size() + 1));
      });
      if (frag) writeMvex(w);
      for (size_t p = 0; p < plans_.size(); ++p) writeTrak(w, p, chunks);
    });
  }

  void writeMvex(BoxWriter &w) const {
    w.box("mvex", [&] {
      w.fullBox("mehd", 0, 0, [&] { w.u32(static_cast<uint32_t>(movieDuration_)); });
      for (const TrackPlan &p : plans_) {
        const Track &t = *p.track;
        w.fullBox("trex", 0, 0, [&] {
          w.u32(p.id);
          w.u32(1);
          w.u32(t.samples.empty() ? 0 : t.samples[0].duration);
          w.u32(t.kind == TrackKind::Telemetry && !t.samples.empty() ? t.storedSize(0) : 0);
          w.u32(t.kind == TrackKind::Video ? kNonSyncSampleFlags : kSyncSampleFlags);
        });
      }
    });
  }

  void writeTrak(BoxWriter &w, size_t p, const std::vector<Chunk> &chunks) {
    const TrackPlan &plan = plans_[p];
    const Track &t = *plan.track;
    const bool frag = settings_.fragmented;
    const uint64_t presented = toMovieTime(presentedDuration(t), t.timescale);
    w.box("trak", [&] {
      w.fullBox("tkhd", 0, 0x3, [&] {  // enabled, in movie
        w.u32(macTime());
        w.u32(macTime());
        w.u32(plan.id);
        w.u32(0);
        w.u32(frag ? 0 : static_cast<uint32_t>(presented));
        w.zeros(8);
        w.u16(0);  // layer
        w.u16(0);  // alternate group
        w.u16(t.kind == TrackKind::Audio ? 0x0100 : 0);
        w.u16(0);
        matrix(w);
        w.u32(static_cast<uint32_t>(t.width) << 16);
        w.u32(static_cast<uint32_t>(t.height) << 16);
      });
      if (t.kind == TrackKind::Audio && t.primingSamples) {
        // Skip the encoder's priming samples; play exactly the recording's length.
        w.box("edts", [&] {
          w.fullBox("elst", 0, 0, [&] {
            w.u32(1);
            w.u32(static_cast<uint32_t>(presented));
            w.u32(t.primingSamples);
            w.u32(0x00010000);
          });
        });
      }
      w.box("mdia", [&] {
        w.fullBox("mdhd", 0, 0, [&] {
          w.u32(macTime());
          w.u32(macTime());
          w.u32(t.timescale);
          w.u32(frag ? 0 : static_cast<uint32_t>(t.mediaDuration()));
          w.u16(kLanguageUnd);
          w.u16(0);
        });
        w.fullBox("hdlr", 0, 0, [&] {
          w.u32(0);
          w.fourcc(handlerType(t));
          w.zeros(12);
          w.cstring(t.label);  // shows which camera a track of a multi-channel file is
        });
        w.box("minf", [&] {
          writeMediaHeader(w, t);
          w.box("dinf", [&] {
            w.fullBox("dref", 0, 0, [&] {
              w.u32(1);
              w.fullBox("url ", 0, 1, [] {});  // media in this file
            });
          });
          writeStbl(w, p, chunks);
        });
      });
    });
  }

  void writeMediaHeader(BoxWriter &w, const Track &t) const {
    switch (t.kind) {
      case TrackKind::Video:
        w.fullBox("vmhd", 0, 1, [&] { w.zeros(8); });
        return;
      case TrackKind::Audio:
        w.fullBox("smhd", 0, 0, [&] { w.zeros(4); });
        return;
      case TrackKind::Telemetry:
        w.fullBox("nmhd", 0, 0, [] {});
        return;
    }
  }

  void writeStbl(BoxWriter &w, size_t p, const std::vector<Chunk> &chunks) {
    const TrackPlan &plan = plans_[p];
    const Track &t = *plan.track;
    const bool frag = settings_.fragmented;
    w.box("stbl", [&] {
      w.fullBox("stsd", 0, 0, [&] {
        w.u32(1);
        writeSampleEntry(w, t);
      });

      // Decoding times, as runs of equal durations.
      std::vector<std::pair<uint32_t, uint32_t>> runs;
      if (!frag) {
        for (const SampleRef &s : t.samples) {
          if (!runs.empty() && runs.back().second == s.duration) {
            ++runs.back().first;
          } else {
            runs.emplace_back(1, s.duration);
          }
        }
      }
      w.fullBox("stts", 0, 0, [&] {
        w.u32(static_cast<uint32_t>(runs.size()));
        for (const auto &[count, delta] : runs) {
          w.u32(count);
          w.u32(delta);
        }
      });

      const bool allSync = std::all_of(t.samples.begin(), t.samples.end(),
                                       [](const SampleRef &s) { return s.sync; });
      if (!frag && !allSync) {
        std::vector<uint32_t> sync;
        for (size_t i = 0; i < t.samples.size(); ++i) {
          if (t.samples[i].sync) sync.push_back(static_cast<uint32_t>(i + 1));
        }
        w.fullBox("stss", 0, 0, [&] {
          w.u32(static_cast<uint32_t>(sync.size()));
          for (uint32_t n : sync) w.u32(n);
        });
      }

      std::vector<const Chunk *> mine;
      for (const Chunk &c : chunks) {
        if (c.plan == p) mine.push_back(&c);
      }
      w.fullBox("stsc", 0, 0, [&] {
        std::vector<std::pair<uint32_t, uint32_t>> changes;  // first chunk, samples per chunk
        for (size_t k = 0; k < mine.size(); ++k) {
          const uint32_t count = static_cast<uint32_t>(mine[k]->count);
          if (changes.empty() || changes.back().second != count) {
            changes.emplace_back(static_cast<uint32_t>(k + 1), count);
          }
        }
        w.u32(static_cast<uint32_t>(changes.size()));
        for (const auto &[first, count] : changes) {
          w.u32(first);
          w.u32(count);
          w.u32(1);
        }
      });

      const size_t n = frag ? 0 : t.samples.size();
      bool fixed = n > 0;
      for (size_t i = 1; i < n && fixed; ++i) fixed = t.storedSize(i) == t.storedSize(0);
      w.fullBox("stsz", 0, 0, [&] {
        w.u32(fixed ? t.storedSize(0) : 0);
        w.u32(static_cast<uint32_t>(n));
        if (!fixed) {
          for (size_t i = 0; i < n; ++i) w.u32(t.storedSize(i));
        }
      });

      w.fullBox("stco", 0, 0, [&] {
        w.u32(static_cast<uint32_t>(mine.size()));
        for (const Chunk *c : mine) w.u32(static_cast<uint32_t>(c->offset));
      });
    });
  }

  void writeSampleEntry(BoxWriter &w, const Track &t) const {
    switch (t.kind) {
      case TrackKind::Video:
        writeVisualEntry(w, t);
        return;
      case TrackKind::Audio:
        writeAudioEntry(w, t);
        return;
      case TrackKind::Telemetry:
        writeTimedTextEntry(w);
        return;
    }
  }

  // The records are framed as 3GPP timed-text samples (see telemetry_record.cpp), so the
  // track is described as timed text: general-purpose readers then know what it is.
  void writeTimedTextEntry(BoxWriter &w) const {
    w.box("tx3g", [&] {
      w.zeros(6);
      w.u16(1);    // data reference index
      w.u32(0);    // display flags
      w.u8(1);     // centred
      w.u8(0xFF);  // bottom
      w.u32(0);    // transparent background
      w.zeros(8);  // default text box
      w.u16(0);    // default style: characters 0-0, font 1, plain, 18 px, opaque white
      w.u16(0);
      w.u16(1);
      w.u8(0);
      w.u8(18);
      w.u32(0xFFFFFFFF);
      w.box("ftab", [&] {
        w.u16(1);
        w.u16(1);
        const std::string font = "Sans-Serif";
        w.u8(static_cast<uint32_t>(font.size()));
        w.fixedString(font, font.size());
      });
    });
  }

  void writeVisualEntry(BoxWriter &w, const Track &t) const {
    const bool hevc = t.codec == Codec::H265;
    const char *type = hevc ? (t.inbandParameterSets ? "hev1" : "hvc1") : "avc1";
    w.box(type, [&] {
      w.zeros(6);
      w.u16(1);  // data reference index
      w.zeros(16);
      w.u16(t.width);
      w.u16(t.height);
      w.u32(0x00480000);  // 72 dpi
      w.u32(0x00480000);
      w.u32(0);
      w.u16(1);  // frames per sample
      const std::string name = hevc ? "HEVC Coding" : "AVC Coding";
      w.u8(static_cast<uint32_t>(name.size()));
      w.fixedString(name, 31);
      w.u16(0x0018);  // colour, no alpha
      w.u16(0xFFFF);
      w.box(hevc ? "hvcC" : "avcC", [&] { w.raw(t.config); });
    });
  }

  void writeAudioEntry(BoxWriter &w, const Track &t) const {
    // Bit rates of the decoder configuration: average, and the largest one-second sum.
    uint64_t peak = 0;
    const uint64_t second = t.timescale;
    uint64_t time = 0, windowStart = 0, windowBytes = 0;
    for (size_t i = 0; i < t.samples.size(); ++i) {
      if (time - windowStart >= second) {
        peak = std::max(peak, windowBytes);
        windowStart = time;
        windowBytes = 0;
      }
      windowBytes += t.storedSize(i);
      time += t.samples[i].duration;
    }
    peak = std::max(peak, windowBytes);
    const uint64_t duration = std::max<uint64_t>(1, t.mediaDuration());
    const uint64_t average = t.totalBytes() * 8 * t.timescale / duration;

    w.box("mp4a", [&] {
      w.zeros(6);
      w.u16(1);    // data reference index
      w.zeros(8);  // version, revision, vendor
      w.u16(t.channelCount);
      w.u16(16);
      w.u32(0);  // compression id, packet size
      w.u32(t.sampleRate << 16);
      w.fullBox("esds", 0, 0, [&] {
        const auto descriptor = [&](uint8_t tag, size_t length) {
          w.u8(tag);
          w.u8(0x80 | ((length >> 21) & 0x7F));
          w.u8(0x80 | ((length >> 14) & 0x7F));
          w.u8(0x80 | ((length >> 7) & 0x7F));
          w.u8(length & 0x7F);
        };
        const size_t specific = 5 + t.config.size();
        const size_t decoderConfig = 5 + 13 + specific;
        const size_t sl = 5 + 1;
        descriptor(3, 3 + decoderConfig + sl);
        w.u16(0);  // ES_ID
        w.u8(0);   // no stream dependence, URL or OCR
        descriptor(4, 13 + specific);
        w.u8(0x40);                // MPEG-4 audio
        w.u8(0x15);                // audio stream
        w.u24(t.largestSample());  // decoder buffer size
        w.u32(static_cast<uint32_t>(peak * 8));
        w.u32(static_cast<uint32_t>(average));
        descriptor(5, t.config.size());
        w.raw(t.config);
        descriptor(6, 1);
        w.u8(2);  // SL config predefined for MP4 files
      });
    });
  }

  void writeMoof(BoxWriter &w, const std::vector<Span> &spans, uint32_t sequence,
                 uint64_t moofStart, uint64_t firstDataOffset) const {
    uint64_t dataOffset = firstDataOffset;
    w.box("moof", [&] {
      w.fullBox("mfhd", 0, 0, [&] { w.u32(sequence); });
      for (size_t p = 0; p < plans_.size(); ++p) {
        const Span span = spans[p];
        if (span.size() == 0) continue;
        const TrackPlan &plan = plans_[p];
        const Track &t = *plan.track;

        bool sameDuration = true, sameSize = true, firstOnlySync = t.samples[span.first].sync;
        for (size_t i = span.first + 1; i < span.last; ++i) {
          sameDuration = sameDuration && t.samples[i].duration == t.samples[span.first].duration;
          sameSize = sameSize && t.storedSize(i) == t.storedSize(span.first);
          firstOnlySync = firstOnlySync && !t.samples[i].sync;
        }
        const bool video = t.kind == TrackKind::Video;
        const uint32_t defaultFlags = video ? kNonSyncSampleFlags : kSyncSampleFlags;
        const bool perSampleFlags = video && !firstOnlySync;

        uint32_t tfhdFlags = 0x01 | 0x20;  // base data offset, default sample flags
        if (sameDuration) tfhdFlags |= 0x08;
        if (sameSize) tfhdFlags |= 0x10;
        uint32_t trunFlags = 0x001;  // data offset
        if (video && firstOnlySync) trunFlags |= 0x004;
        if (!sameDuration) trunFlags |= 0x100;
        if (!sameSize) trunFlags |= 0x200;
        if (perSampleFlags) trunFlags |= 0x400;

        w.box("traf", [&] {
          w.fullBox("tfhd", 0, tfhdFlags, [&] {
            w.u32(plan.id);
            w.u64(moofStart);
            if (sameDuration) w.u32(t.samples[span.first].duration);
            if (sameSize) w.u32(t.storedSize(span.first));
            w.u32(defaultFlags);
          });
          w.fullBox("tfdt", 1, 0, [&] { w.u64(plan.starts[span.first]); });
          w.fullBox("trun", 0, trunFlags, [&] {
            w.u32(static_cast<uint32_t>(span.size()));
            w.u32(static_cast<uint32_t>(dataOffset));
            if (trunFlags & 0x004) w.u32(kSyncSampleFlags);
            for (size_t i = span.first; i < span.last; ++i) {
              if (trunFlags & 0x100) w.u32(t.samples[i].duration);
              if (trunFlags & 0x200) w.u32(t.storedSize(i));
              if (trunFlags & 0x400) {
                w.u32(t.samples[i].sync ? kSyncSampleFlags : kNonSyncSampleFlags);
              }
            }
          });
        });
        for (size_t i = span.first; i < span.last; ++i) dataOffset += t.storedSize(i);
      }
    });
  }

  const RecordingFile &file_;
  ContainerSettings settings_;
  std::vector<TrackPlan> plans_;
  uint64_t windowCount_ = 0;
  uint64_t movieDuration_ = 0;
  std::vector<size_t> cursors_;
  SampleSource source_;
};

}  // namespace

void Mp4Writer::write(const RecordingFile &file) {
  Mp4File(file, settings_).write();
}

}  // namespace samplegen
