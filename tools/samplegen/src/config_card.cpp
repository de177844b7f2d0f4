#include "config_card.h"

#include <rapidjson/document.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace samplegen {
namespace {

constexpr size_t kBlock = 32;
constexpr size_t kSection = 128;

rapidjson::Document readJson(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream text;
  text << in.rdbuf();
  rapidjson::Document doc;
  doc.Parse<rapidjson::kParseIterativeFlag>(text.str().c_str());
  if (doc.HasParseError() || !doc.IsObject()) throw std::runtime_error(path + " is not valid");
  return doc;
}

void putText(std::vector<uint8_t> &out, const std::string &text) {
  std::string block = text.substr(0, kBlock);
  block.resize(kBlock, '\0');
  out.insert(out.end(), block.begin(), block.end());
}

// The default of every linked item: the "initial" of the setting showing it.
std::map<std::string, double> defaults(const rapidjson::Value &model) {
  std::map<std::string, double> values;
  for (const auto &group : model.GetObject()) {
    if (!group.value.IsObject()) continue;
    for (const auto &setting : group.value.GetObject()) {
      const rapidjson::Value &s = setting.value;
      if (!s.IsObject() || !s.HasMember("link") || !s["link"].IsString() ||
          !s.HasMember("initial") || !s["initial"].IsNumber())
        continue;
      values[s["link"].GetString()] = s["initial"].GetDouble();
    }
  }
  values["voiceGuide"] = 1;
  return values;
}

}  // namespace

std::vector<uint8_t> makeConfigFile(const std::string &identifier, const std::string &resourceDir,
                                    const ConfigValues &overrides) {
  const rapidjson::Document layout = readJson(resourceDir + "/configStr.json");
  const rapidjson::Document settings = readJson(resourceDir + "/Setting.json");
  if (!layout.HasMember(identifier.c_str()) || !layout[identifier.c_str()].IsObject())
    throw std::runtime_error("configStr.json has no model " + identifier);
  std::map<std::string, double> values;
  if (settings.HasMember(identifier.c_str()) && settings[identifier.c_str()].IsObject())
    values = defaults(settings[identifier.c_str()]);

  std::map<std::string, bool> known;
  for (const auto &section : layout[identifier.c_str()].GetObject()) {
    if (!section.value.IsArray()) throw std::runtime_error("configStr.json: bad section");
    for (const auto &item : section.value.GetArray()) {
      if (!item.IsObject() || !item.HasMember("name") || !item["name"].IsString() ||
          !item.HasMember("type") || !item["type"].IsInt())
        throw std::runtime_error("configStr.json: bad item");
      known[item["name"].GetString()] = true;
    }
  }
  for (const auto &[name, value] : overrides) {
    if (!known.count(name)) throw std::runtime_error(identifier + " has no setting item " + name);
    values[name] = value;
  }

  const std::string model = identifier.substr(0, identifier.find('_'));
  std::vector<uint8_t> out;
  putText(out, model + "-240501-1.03");  // firmware text; the version is its last 4 characters
  std::vector<uint8_t> kept(kBlock);
  for (size_t i = 0; i < kBlock; ++i) kept[i] = static_cast<uint8_t>(0xA0 + i);
  out.insert(out.end(), kept.begin(), kept.end());
  putText(out, identifier);
  for (size_t i = 0; i < kBlock; ++i) kept[i] = static_cast<uint8_t>(0x40 + 3 * i);
  out.insert(out.end(), kept.begin(), kept.end());
  const bool wifi = values.count("wifiOn") != 0;
  putText(out, wifi ? "dashcam-" + model : "");

  for (const auto &section : layout[identifier.c_str()].GetObject()) {
    std::vector<uint8_t> bytes(kSection, 0);
    size_t at = 0;
    for (const auto &item : section.value.GetArray()) {
      const int size = item["type"].GetInt();
      if (size != 1 && size != 2 && size != 4) throw std::runtime_error("bad item size");
      if (at + static_cast<size_t>(size) > kSection) throw std::runtime_error("section too large");
      const auto found = values.find(item["name"].GetString());
      const uint32_t v = found == values.end() ? 0 : static_cast<uint32_t>(found->second);
      for (int b = 0; b < size; ++b) bytes[at + static_cast<size_t>(b)] = (v >> (8 * b)) & 0xff;
      at += static_cast<size_t>(size);
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  // Every byte from offset 64 on, checksum included, sums to zero.
  uint8_t sum = 0;
  for (size_t i = 64; i < out.size(); ++i) sum = static_cast<uint8_t>(sum + out[i]);
  out.push_back(static_cast<uint8_t>(0x100 - sum));
  return out;
}

std::string writeConfigCard(const std::string &outDir, const std::string &identifier,
                            const std::string &resourceDir, const ConfigValues &overrides) {
  const std::vector<uint8_t> bytes = makeConfigFile(identifier, resourceDir, overrides);
  const std::string folder = outDir + "/CONFIG";
  if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
    throw std::runtime_error("cannot create folder " + folder + ": " + std::strerror(errno));
  const std::string path = folder + "/config.bin";
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path);
  return path;
}

}  // namespace samplegen
