// The camera's settings file CONFIG/config.bin for a model, laid out as the
// viewer's configStr.json describes the model and filled with the defaults
// of its Setting.json.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace samplegen {

// The file's bytes: five 32-byte text blocks, the model's 128-byte sections
// and the checksum byte. Throws std::runtime_error when the model is unknown
// or the description files cannot be read.
// overrides: item values given by hand (unknown items are refused).
using ConfigValues = std::vector<std::pair<std::string, uint32_t>>;
std::vector<uint8_t> makeConfigFile(const std::string &identifier, const std::string &resourceDir,
                                    const ConfigValues &overrides = {});

// Writes DIR/CONFIG/config.bin and returns its path.
std::string writeConfigCard(const std::string &outDir, const std::string &identifier,
                            const std::string &resourceDir, const ConfigValues &overrides = {});

}  // namespace samplegen
