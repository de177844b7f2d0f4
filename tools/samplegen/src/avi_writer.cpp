#include "avi_writer.h"

#include "annexb.h"
#include "output_file.h"
#include "riff_writer.h"
#include "telemetry_record.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace samplegen {
namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAvifIsInterleaved = 0x100;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr uint32_t kStdIndexNotKey = 0x80000000u;  // size bit 31 of a standard index entry
constexpr uint8_t kIndexOfIndexes = 0x00;
constexpr uint8_t kIndexOfChunks = 0x01;
constexpr uint64_t kMoviAlignment = 2048;  // "movi" starts on this boundary
constexpr uint64_t kListHeader = 12;       // "LIST"/"RIFF", size, type
constexpr uint64_t kChunkHeader = 8;
constexpr uint64_t kIndexHeader = 24;  // OpenDML super and standard index headers
constexpr uint64_t kSuperIndexEntry = 16;
constexpr uint64_t kStdIndexEntry = 8;
constexpr uint64_t kIdx1Entry = 16;
constexpr size_t kDmlhSize = 248;

uint64_t padded(uint64_t size) {
  return size + (size & 1);
}

std::string twoDigits(uint32_t n) {
  return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

// One stream of the file and what its chunks hold.
struct StreamPlan {
  const Track *track = nullptr;
  uint32_t number = 0;
  std::string chunkId;  // "00dc", "03wb", "04tx"
  std::string indexId;  // "ix00"
  std::vector<uint32_t> sizes;
  std::vector<uint64_t> starts;  // start of each chunk in the track's time scale
  std::vector<bool> keys;
  uint32_t rate = 0, scale = 0, sampleSize = 0;
  uint32_t largest = 0;
  uint64_t bytes = 0;

  // Time slots (frames) or, for sound, samples.
  uint64_t units(uint64_t byteCount, uint64_t chunkCount) const {
    return sampleSize ? byteCount / sampleSize : chunkCount;
  }
};

struct Placed {
  uint32_t stream = 0;
  uint32_t index = 0;  // chunk of that stream
  uint64_t pos = 0;    // chunk header
};

// A standard index ("ix##") at the end of a part's "movi": the stream's chunks in it.
struct StdIndex {
  uint32_t stream = 0;
  uint64_t pos = 0;
  std::vector<size_t> chunks;  // in the part's chunk list
  uint64_t bytes = 0;
  uint64_t size() const { return kChunkHeader + kIndexHeader + kStdIndexEntry * chunks.size(); }
};

// One RIFF part: "AVI " first, then "AVIX". Only OpenDML files have more than one.
struct Part {
  uint64_t start = 0;     // "RIFF"
  uint64_t moviList = 0;  // "LIST" of its "movi"
  uint64_t moviEnd = 0;   // end of the "movi" list
  uint64_t idx1Pos = 0;   // first part, when it has an "idx1"
  uint64_t end = 0;
  std::vector<Placed> chunks;
  std::vector<uint32_t> perStream;  // chunks of each stream
  std::vector<StdIndex> indexes;
  uint64_t moviType() const { return moviList + 8; }  // base of "idx1" and "ix##" offsets
};

struct Layout {
  uint64_t junkPad = 0;
  std::vector<Part> parts;
};

class AviFile {
 public:
  AviFile(const RecordingFile &file, const ContainerSettings &settings)
      : file_(file), settings_(settings) {
    uint32_t number = 0;
    for (const Track *t : file.tracks) streams_.push_back(describe(*t, number++));
    if (streams_.size() > 99) throw std::logic_error("AVI stream numbers have two digits");
    video_ = std::find_if(streams_.begin(), streams_.end(),
                          [](const StreamPlan &s) { return s.track->kind == TrackKind::Video; });
    if (video_ == streams_.end()) throw std::logic_error("an AVI recording needs a video stream");
    interleave();
  }

  void write() {
    // The header's size depends on the super index entries, which depend on the number of
    // parts, which depends on where "movi" starts: settle it by trying.
    size_t slots = 1;
    for (;;) {
      layout_ = plan(hdrl(nullptr, slots).size());
      if (layout_.parts.size() <= slots) break;
      slots = layout_.parts.size();
    }
    checkSizes();
    const RiffWriter header = hdrl(&layout_, slots);

    OutputFile out(file_.path);
    const Part &first = layout_.parts.front();
    RiffWriter head;
    head.fourcc("RIFF");
    head.u32(static_cast<uint32_t>(first.end - first.start - kChunkHeader));
    head.fourcc("AVI ");
    head.raw(header.bytes());
    head.chunk("JUNK", [&] { head.zeros(layout_.junkPad); });
    head.chunk("JUNK", [&] {
      if (settings_.adas) {
        head.raw(adasBlock(file_));
      } else {
        head.zeros(kAdasBlockSize);
      }
    });
    if (head.size() != first.moviList) throw std::logic_error("header placed off its plan");
    out.write(head.bytes());

    for (size_t p = 0; p < layout_.parts.size(); ++p) writePart(out, p);
    out.commit();
  }

 private:
  StreamPlan describe(const Track &t, uint32_t number) {
    StreamPlan s;
    s.track = &t;
    s.number = number;
    s.indexId = "ix" + twoDigits(number);
    switch (t.kind) {
      case TrackKind::Video:
        if (t.codec != Codec::H264) throw std::logic_error("AVI recordings carry H.264 video only");
        s.chunkId = twoDigits(number) + "dc";
        annexB_.push_back(annexBForm(t.config));
        break;
      case TrackKind::Audio:
        if (t.codec != Codec::Pcm) throw std::logic_error("AVI recordings carry PCM sound only");
        s.chunkId = twoDigits(number) + "wb";
        s.sampleSize = static_cast<uint32_t>(t.channelCount) * t.bitsPerSample / 8;
        if (s.sampleSize == 0) throw std::logic_error("PCM without a sample size");
        break;
      case TrackKind::Telemetry:
        s.chunkId = twoDigits(number) + "tx";
        break;
    }
    uint64_t time = 0;
    for (size_t i = 0; i < t.samples.size(); ++i) {
      const SampleRef &r = t.samples[i];
      uint32_t size = t.storedSize(i);
      if (t.kind == TrackKind::Video && r.sync) {
        size += static_cast<uint32_t>(annexB_.back().parameterSets.size());
      }
      s.sizes.push_back(size);
      s.starts.push_back(time);
      s.keys.push_back(t.kind != TrackKind::Video || r.sync);
      s.largest = std::max(s.largest, size);
      s.bytes += size;
      time += r.duration;
    }
    if (s.sampleSize) {
      // Sound: the time base is the sample, as PCM writers do.
      s.scale = 1;
      s.rate = t.sampleRate;
    } else {
      // Pictures and records: one chunk per time slot, so every slot must be equally long.
      const uint32_t slot = t.samples.empty() ? 1 : t.samples.front().duration;
      for (const SampleRef &r : t.samples) {
        if (r.duration != slot) throw std::logic_error(t.label + ": uneven sample durations");
      }
      const uint32_t g = std::gcd(slot, t.timescale);
      s.scale = slot / g;
      s.rate = t.timescale / g;
    }
    if (s.rate == 0 || s.scale == 0) throw std::logic_error(t.label + ": no time base");
    return s;
  }

  // Chunks in the order of their start times, the usual AVI interleave, so that a player
  // reading straight through finds every stream's data in time; at equal times in stream
  // order (video, sound, records).
  void interleave() {
    for (uint32_t s = 0; s < streams_.size(); ++s) {
      for (uint32_t i = 0; i < streams_[s].sizes.size(); ++i) order_.push_back({s, i, 0});
    }
    std::stable_sort(order_.begin(), order_.end(), [&](const Placed &a, const Placed &b) {
      const StreamPlan &sa = streams_[a.stream];
      const StreamPlan &sb = streams_[b.stream];
      const unsigned __int128 ta =
          static_cast<unsigned __int128>(sa.starts[a.index]) * sb.track->timescale;
      const unsigned __int128 tb =
          static_cast<unsigned __int128>(sb.starts[b.index]) * sa.track->timescale;
      if (ta != tb) return ta < tb;
      return a.stream < b.stream;
    });
  }

  bool openDml() const { return settings_.aviIndex == AviIndex::OpenDml; }
  bool hasIdx1() const { return settings_.aviIndex != AviIndex::None; }

  // Bytes a part needs after its chunks, with one more chunk of stream `extra`: standard
  // indexes and, in the first part, "idx1".
  uint64_t closingBytes(const Part &part, bool first, uint32_t extra) const {
    uint64_t bytes = 0, chunks = 0;
    for (uint32_t s = 0; s < part.perStream.size(); ++s) {
      const uint64_t n = part.perStream[s] + (s == extra ? 1 : 0);
      if (openDml() && n) bytes += kChunkHeader + kIndexHeader + kStdIndexEntry * n;
      chunks += n;
    }
    if (first && hasIdx1()) bytes += kChunkHeader + kIdx1Entry * chunks;
    return bytes;
  }

  uint64_t closePart(Part &part, uint64_t pos, bool first) const {
    if (openDml()) {
      for (uint32_t s = 0; s < streams_.size(); ++s) {
        if (!part.perStream[s]) continue;
        StdIndex ix;
        ix.stream = s;
        ix.pos = pos;
        for (size_t k = 0; k < part.chunks.size(); ++k) {
          if (part.chunks[k].stream != s) continue;
          ix.chunks.push_back(k);
          ix.bytes += streams_[s].sizes[part.chunks[k].index];
        }
        pos += ix.size();
        part.indexes.push_back(std::move(ix));
      }
    }
    part.moviEnd = pos;
    if (first && hasIdx1()) {
      part.idx1Pos = pos;
      pos += kChunkHeader + kIdx1Entry * part.chunks.size();
    }
    part.end = pos;
    return pos;
  }

  // Where every chunk goes, for a header ("hdrl" list) of the given size. A new RIFF part
  // starts before a chunk that would take the current one, with its closing indexes, past
  // the part limit (OpenDML only; a part always takes at least one chunk).
  Layout plan(uint64_t hdrlSize) const {
    Layout layout;
    const uint64_t afterHeader = kListHeader + hdrlSize;
    const uint64_t junks = 2 * kChunkHeader + kAdasBlockSize;
    layout.junkPad = (kMoviAlignment - (afterHeader + junks) % kMoviAlignment) % kMoviAlignment;

    Part part;
    part.start = 0;
    part.moviList = afterHeader + junks + layout.junkPad;
    part.perStream.assign(streams_.size(), 0);
    uint64_t pos = part.moviList + kListHeader;
    for (const Placed &c : order_) {
      const uint64_t bytes = kChunkHeader + padded(streams_[c.stream].sizes[c.index]);
      if (openDml() && !part.chunks.empty()) {
        const bool first = layout.parts.empty();
        if (pos + bytes + closingBytes(part, first, c.stream) - part.start > settings_.riffLimit) {
          pos = closePart(part, pos, first);
          layout.parts.push_back(std::move(part));
          part = Part{};
          part.start = pos;
          part.moviList = pos + kListHeader;
          part.perStream.assign(streams_.size(), 0);
          pos = part.moviList + kListHeader;
        }
      }
      part.chunks.push_back({c.stream, c.index, pos});
      ++part.perStream[c.stream];
      pos += bytes;
    }
    closePart(part, pos, layout.parts.empty());
    layout.parts.push_back(std::move(part));
    return layout;
  }

  void checkSizes() const {
    for (const Part &p : layout_.parts) {
      if (p.end - p.start - kChunkHeader > 0xFFFFFFFFull) {
        throw std::runtime_error(
            file_.path + ": a RIFF part beyond 4 GiB" +
            (openDml() ? "; lower --avi-riff-limit" : "; such recordings need --avi-index odml"));
      }
    }
  }

  // ---- headers -------------------------------------------------------------------------

  // The "hdrl" list; with no layout yet, placeholders of the same size.
  RiffWriter hdrl(const Layout *layout, size_t superSlots) const {
    RiffWriter w;
    const StreamPlan &video = *video_;
    uint64_t totalBytes = 0, durationMs = 1;
    for (const StreamPlan &s : streams_) {
      totalBytes += s.bytes;
      durationMs = std::max(durationMs, s.track->mediaDuration() * 1000 / s.track->timescale);
    }
    uint32_t largest = 0;
    for (const StreamPlan &s : streams_) largest = std::max(largest, s.largest);
    const uint32_t firstPartFrames = layout ? layout->parts.front().perStream[video.number] : 0;

    w.list("hdrl", [&] {
      w.chunk("avih", [&] {
        w.u32(static_cast<uint32_t>(std::llround(1e6 * video.scale / video.rate)));
        w.u32(
            static_cast<uint32_t>(std::min<uint64_t>(totalBytes * 1000 / durationMs, 0xFFFFFFFFu)));
        w.u32(0);  // padding granularity
        w.u32((hasIdx1() ? kAvifHasIndex : 0) | kAvifIsInterleaved);
        w.u32(firstPartFrames);  // OpenDML: the first part only; "dmlh" has them all
        w.u32(0);                // initial frames
        w.u32(static_cast<uint32_t>(streams_.size()));
        w.u32(largest);
        w.u32(video.track->width);
        w.u32(video.track->height);
        w.zeros(16);
      });
      for (const StreamPlan &s : streams_) writeStrl(w, s, layout, superSlots);
      if (openDml()) {
        w.list("odml", [&] {
          w.chunk("dmlh", [&] {
            w.u32(static_cast<uint32_t>(video.sizes.size()));
            w.zeros(kDmlhSize - 4);
          });
        });
      }
    });
    return w;
  }

  void writeStrl(RiffWriter &w, const StreamPlan &s, const Layout *layout,
                 size_t superSlots) const {
    const Track &t = *s.track;
    const bool video = t.kind == TrackKind::Video;
    w.list("strl", [&] {
      w.chunk("strh", [&] {
        w.fourcc(video ? "vids" : t.kind == TrackKind::Audio ? "auds" : "txts");
        if (video) {
          w.fourcc("H264");
        } else {
          w.u32(0);
        }
        w.u32(0);  // flags
        w.u16(0);  // priority
        w.u16(0);  // language
        w.u32(0);  // initial frames
        w.u32(s.scale);
        w.u32(s.rate);
        w.u32(0);  // start
        w.u32(static_cast<uint32_t>(s.units(s.bytes, s.sizes.size())));
        w.u32(s.largest);
        w.u32(0xFFFFFFFFu);  // quality: default
        w.u32(s.sampleSize);
        w.u16(0);
        w.u16(0);
        w.u16(video ? t.width : 0);
        w.u16(video ? t.height : 0);
      });
      w.chunk("strf", [&] {
        switch (t.kind) {
          case TrackKind::Video:
            writeBitmapHeader(w, s);
            return;
          case TrackKind::Audio:
            w.u16(1);  // PCM
            w.u16(t.channelCount);
            w.u32(t.sampleRate);
            w.u32(t.sampleRate * s.sampleSize);
            w.u16(s.sampleSize);
            w.u16(t.bitsPerSample);
            w.u16(0);
            return;
          case TrackKind::Telemetry:
            // No standard format exists for a text stream; ours names the record.
            w.raw(std::vector<uint8_t>(kTelemetryBoxType, kTelemetryBoxType + 4));
            w.u32(s.largest);
            w.u32(kTelemetryStepMs);
            return;
        }
      });
      if (openDml()) writeSuperIndex(w, s, layout, superSlots);
      w.chunk("strn", [&] { w.cstring(t.label); });
    });
  }

  void writeBitmapHeader(RiffWriter &w, const StreamPlan &s) const {
    const Track &t = *s.track;
    const std::vector<uint8_t> &sets = annexB_[videoOrdinal(s)].parameterSets;
    w.u32(static_cast<uint32_t>(40 + sets.size()));
    w.u32(t.width);
    w.u32(t.height);
    w.u16(1);   // planes
    w.u16(24);  // bits per pixel of the decoded picture
    w.fourcc("H264");
    w.u32(static_cast<uint32_t>(t.width) * t.height * 3);
    w.zeros(16);  // resolution, colours
    w.raw(sets);
  }

  size_t videoOrdinal(const StreamPlan &s) const {
    size_t n = 0;
    for (const StreamPlan &o : streams_) {
      if (&o == &s) return n;
      n += o.track->kind == TrackKind::Video;
    }
    throw std::logic_error("not a video stream");
  }

  void writeSuperIndex(RiffWriter &w, const StreamPlan &s, const Layout *layout,
                       size_t superSlots) const {
    std::vector<const StdIndex *> mine;
    if (layout) {
      for (const Part &p : layout->parts) {
        for (const StdIndex &ix : p.indexes) {
          if (ix.stream == s.number) mine.push_back(&ix);
        }
      }
    }
    w.chunk("indx", [&] {
      w.u16(4);  // longs per entry
      w.u8(0);   // sub-type
      w.u8(kIndexOfIndexes);
      w.u32(static_cast<uint32_t>(mine.size()));
      w.fourcc(s.chunkId.c_str());
      w.zeros(12);
      for (const StdIndex *ix : mine) {
        w.u64(ix->pos);
        w.u32(static_cast<uint32_t>(ix->size()));
        w.u32(static_cast<uint32_t>(s.units(ix->bytes, ix->chunks.size())));
      }
      w.zeros(kSuperIndexEntry * (superSlots - mine.size()));
    });
  }

  // ---- data ----------------------------------------------------------------------------

  void writePart(OutputFile &out, size_t p) {
    const Part &part = layout_.parts[p];
    RiffWriter w;
    if (p > 0) {
      w.fourcc("RIFF");
      w.u32(static_cast<uint32_t>(part.end - part.start - kChunkHeader));
      w.fourcc("AVIX");
    }
    w.fourcc("LIST");
    w.u32(static_cast<uint32_t>(part.moviEnd - part.moviList - kChunkHeader));
    w.fourcc("movi");
    out.write(w.bytes());

    std::vector<uint8_t> body, chunk;
    for (const Placed &c : part.chunks) {
      if (out.position() != c.pos) throw std::logic_error("chunk placed off its plan");
      const StreamPlan &s = streams_[c.stream];
      source_.read(*s.track, c.index, body);
      chunk.clear();
      chunk.insert(chunk.end(), s.chunkId.begin(), s.chunkId.end());
      for (int i = 0; i < 4; ++i) chunk.push_back(static_cast<uint8_t>(s.sizes[c.index] >> 8 * i));
      if (s.track->kind == TrackKind::Video) {
        toStartCodes(body);
        if (s.keys[c.index]) {
          const std::vector<uint8_t> &sets = annexB_[videoOrdinal(s)].parameterSets;
          chunk.insert(chunk.end(), sets.begin(), sets.end());
        }
      }
      chunk.insert(chunk.end(), body.begin(), body.end());
      if (chunk.size() - kChunkHeader != s.sizes[c.index]) {
        throw std::logic_error(s.track->label + ": chunk size changed while writing");
      }
      if (chunk.size() & 1) chunk.push_back(0);
      out.write(chunk);
    }

    RiffWriter tail;
    for (const StdIndex &ix : part.indexes) {
      const StreamPlan &s = streams_[ix.stream];
      tail.chunk(s.indexId.c_str(), [&] {
        tail.u16(2);  // longs per entry
        tail.u8(0);   // sub-type
        tail.u8(kIndexOfChunks);
        tail.u32(static_cast<uint32_t>(ix.chunks.size()));
        tail.fourcc(s.chunkId.c_str());
        tail.u64(part.moviType());
        tail.u32(0);
        for (size_t k : ix.chunks) {
          const Placed &c = part.chunks[k];
          tail.u32(static_cast<uint32_t>(c.pos + kChunkHeader - part.moviType()));
          tail.u32(s.sizes[c.index] | (s.keys[c.index] ? 0 : kStdIndexNotKey));
        }
      });
    }
    if (part.idx1Pos) {
      tail.chunk("idx1", [&] {
        for (const Placed &c : part.chunks) {
          const StreamPlan &s = streams_[c.stream];
          tail.fourcc(s.chunkId.c_str());
          tail.u32(s.keys[c.index] ? kAviifKeyFrame : 0);
          tail.u32(static_cast<uint32_t>(c.pos - part.moviType()));
          tail.u32(s.sizes[c.index]);
        }
      });
    }
    out.write(tail.bytes());
    if (out.position() != part.end) throw std::logic_error("RIFF part ends off its plan");
  }

  const RecordingFile &file_;
  ContainerSettings settings_;
  std::vector<StreamPlan> streams_;
  std::vector<StreamPlan>::const_iterator video_;
  std::vector<AnnexBForm> annexB_;  // per video stream, in stream order
  std::vector<Placed> order_;
  Layout layout_;
  SampleSource source_;
};

}  // namespace

std::vector<uint8_t> adasBlock(const RecordingFile &file) {
  const Track *video = nullptr;
  for (const Track *t : file.tracks) {
    if (t->kind == TrackKind::Video) {
      video = t;
      break;
    }
  }
  const uint16_t width = video ? video->width : 0;
  const uint16_t height = video ? video->height : 0;
  RiffWriter w;
  w.fourcc("ADAS");
  w.u16(1);  // version
  w.u16(static_cast<uint32_t>(kAdasBlockSize));
  w.u16(width);
  w.u16(height);
  w.u16(height / 2);       // horizon line, picture row
  w.u16(height * 9 / 10);  // bonnet line, picture row
  w.u16(1300);             // camera height above the road, mm
  w.u16(1800);             // vehicle width, mm
  w.u8(1);                 // lane departure warning on
  w.u8(2);                 // forward collision warning: middle sensitivity
  w.u16(0);
  const int64_t start = std::clamp<int64_t>(file.startTime, 0, 0xFFFFFFFFll);
  w.u32(static_cast<uint32_t>(start));
  w.u32(crc32(w.bytes().data(), w.size()));
  if (w.size() != kAdasBlockSize) throw std::logic_error("ADAS block of the wrong size");
  return w.bytes();
}

void AviWriter::write(const RecordingFile &file) {
  AviFile(file, settings_).write();
}

}  // namespace samplegen
