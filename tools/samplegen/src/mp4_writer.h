// ISO base media file (MP4) writer: progressive (one mdat, chunks interleaved per
// key-frame interval, moov last or first) or fragmented (empty moov with mvex, then one
// moof/mdat pair per key-frame interval). Text tracks use handler "tvxt" and "nmhd".
#pragma once

#include "container_writer.h"

namespace samplegen {

class Mp4Writer : public ContainerWriter {
 public:
  explicit Mp4Writer(const ContainerSettings &settings) : settings_(settings) {}
  std::string extension() const override { return "mp4"; }
  Codec audioCodec() const override { return Codec::Aac; }
  void write(const RecordingFile &file) override;

 private:
  ContainerSettings settings_;
};

}  // namespace samplegen
