// A container format that turns one RecordingFile into one file on disk: MP4 or AVI.
#pragma once

#include "media.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace samplegen {

// How an AVI recording is indexed: "idx1" only; OpenDML super and standard indexes (plus
// the "idx1" of the first RIFF part), with AVIX parts past the part limit; or no index.
enum class AviIndex { Idx1, OpenDml, None };

constexpr uint64_t kDefaultRiffLimit = 1ull << 30;  // 1 GiB, as common OpenDML writers
constexpr uint64_t kMinRiffLimit = 1024;
constexpr uint64_t kMaxRiffLimit = 1ull << 31;

struct ContainerSettings {
  bool fragmented = false;  // MP4: moov with mvex, then moof/mdat pairs per key-frame interval
  bool moovFirst = false;   // MP4: moov before mdat (cameras write it last)
  AviIndex aviIndex = AviIndex::Idx1;
  uint64_t riffLimit = kDefaultRiffLimit;  // AVI OpenDML: bytes of one RIFF part
  bool adas = true;                        // AVI: "ADAS" block in the second "JUNK" chunk
};

class ContainerWriter {
 public:
  virtual ~ContainerWriter() = default;
  virtual std::string extension() const = 0;  // "mp4", "avi"
  virtual Codec audioCodec() const = 0;       // what the container carries as sound
  virtual void write(const RecordingFile &file) = 0;
};

// nullptr for an unknown container name.
std::unique_ptr<ContainerWriter> makeContainerWriter(const std::string &name,
                                                     const ContainerSettings &settings);
std::vector<std::string> containerNames();

}  // namespace samplegen
