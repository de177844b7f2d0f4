// A container format that turns one RecordingFile into one file on disk. The MP4 writer
// is the only one so far; an AVI writer takes the same RecordingFile.
#pragma once

#include "media.h"

#include <memory>
#include <string>
#include <vector>

namespace samplegen {

struct ContainerSettings {
  bool fragmented = false;  // MP4: moov with mvex, then moof/mdat pairs per key-frame interval
  bool moovFirst = false;   // MP4: moov before mdat (cameras write it last)
};

class ContainerWriter {
 public:
  virtual ~ContainerWriter() = default;
  virtual std::string extension() const = 0;  // "mp4"
  virtual void write(const RecordingFile &file) = 0;
};

// nullptr for an unknown container name.
std::unique_ptr<ContainerWriter> makeContainerWriter(const std::string &name,
                                                     const ContainerSettings &settings);
std::vector<std::string> containerNames();

}  // namespace samplegen
