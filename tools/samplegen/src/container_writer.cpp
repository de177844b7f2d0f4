#include "container_writer.h"

#include "avi_writer.h"
#include "mp4_writer.h"

namespace samplegen {
namespace {

struct ContainerEntry {
  const char *name;
  std::unique_ptr<ContainerWriter> (*make)(const ContainerSettings &);
};

const ContainerEntry kContainers[] = {
    {"mp4",
     [](const ContainerSettings &s) -> std::unique_ptr<ContainerWriter> {
       return std::make_unique<Mp4Writer>(s);
     }},
    {"avi",
     [](const ContainerSettings &s) -> std::unique_ptr<ContainerWriter> {
       return std::make_unique<AviWriter>(s);
     }},
};

}  // namespace

std::unique_ptr<ContainerWriter> makeContainerWriter(const std::string &name,
                                                     const ContainerSettings &settings) {
  for (const ContainerEntry &entry : kContainers) {
    if (name == entry.name) return entry.make(settings);
  }
  return nullptr;
}

std::vector<std::string> containerNames() {
  std::vector<std::string> names;
  for (const ContainerEntry &entry : kContainers) names.push_back(entry.name);
  return names;
}

}  // namespace samplegen
