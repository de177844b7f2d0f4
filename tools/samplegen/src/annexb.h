// H.264 in start-code form (Annex B), as AVI carries it: our tracks hold length-prefixed
// NAL units with the parameter sets in the avcC, as MP4 stores them.
#pragma once

#include <cstdint>
#include <vector>

namespace samplegen {

struct AnnexBForm {
  std::vector<uint8_t> parameterSets;  // SPS and PPS of the avcC, each behind a start code
};

// Throws unless the avcC uses 4-byte NAL lengths (the start code takes their place, so a
// converted frame keeps its size) and holds at least one SPS and one PPS.
AnnexBForm annexBForm(const std::vector<uint8_t> &avcC);

// Rewrites the length-prefixed NAL units of one frame in place into start-code form;
// throws when the lengths do not add up to the frame.
void toStartCodes(std::vector<uint8_t> &frame);

}  // namespace samplegen
