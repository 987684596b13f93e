// Writes the models a host may write (every record order, many small solids, a
// part shared by thousands of solids: the corpus of the bridge's tests) for
// scripts/bench.sh, each into an APPDATA of its own, and lists them with what a
// complete export sends of each.
//
//   write_honest_models FOLDER
//   write_honest_models --small-solids N MODEL
//   write_honest_models --update N K FILE
//   write_honest_models --crafted FOLDER
//
// FOLDER/shape-K/Brevane/Corvella2026_D5Plugin/Data/_model.cvm holds shape K;
// each line of standard output reads "K SOLIDS PARTS NAME". With --small-solids,
// MODEL is a model of N solids of one triangle each; with --update, FILE is the "_mod.sm"
// of that model in which K solids spread over it changed. With --crafted, FOLDER/crafted-K
// holds the crafted file K (a model, or beside a one-solid model the "_mod.sm" of a light
// sync), each line of standard output reading "K ENDED_BY|- REMOVALS NAME".
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "container_writer/crafted_files.h"
#include "container_writer/honest_files.h"

namespace {

namespace cw = tarnwick::container_writer;
namespace fs = std::filesystem;

constexpr char kDataFolder[] = "Brevane/Corvella2026_D5Plugin/Data";

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--small-solids") {
    return cw::WriteContainerFile(cw::ManySmallSolids(std::stoul(argv[2])).container, argv[3]) ? 0 : 1;
  }
  if (argc == 5 && std::string(argv[1]) == "--update") {
    return cw::WriteContainerFile(cw::ManySmallSolidsUpdate(std::stoul(argv[2]), std::stoul(argv[3])),
                                  argv[4]) ? 0 : 1;
  }
  if (argc == 3 && std::string(argv[1]) == "--crafted") {
    int k = 0;
    for (const cw::CraftedModel& crafted : cw::CraftedCorpus(1)) {
      const fs::path data = fs::path(argv[2]) / ("crafted-" + std::to_string(k)) / kDataFolder;
      fs::create_directories(data);
      // A removal section is read against a model of the same project.
      cw::ModelBody one;
      one.solids = {cw::Solid{1, 7, u"", {cw::Part{u"t", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {}, {}, {0, 1, 2}, {}, false}}, false}};
      const std::string model =
          crafted.removals ? cw::BuildContainer(cw::ModelFile(u"C:\\Crafted.pro", one)) : crafted.bytes;
      WriteBytes(data / "_model.cvm", model);
      if (crafted.removals) WriteBytes(data / "_mod.sm", crafted.bytes);
      std::printf("%d %s %d %s\n", k, crafted.ended_by.empty() ? "-" : "ended", crafted.removals ? 1 : 0,
                  crafted.name.c_str());
      ++k;
    }
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_honest_models FOLDER\n");
    return 2;
  }
  int k = 0;
  for (const cw::HonestModel& model : cw::HonestCorpus()) {
    const fs::path data = fs::path(argv[1]) / ("shape-" + std::to_string(k)) / kDataFolder;
    fs::create_directories(data);
    const std::string bytes = cw::BuildContainer(model.container);
    std::ofstream(data / "_model.cvm", std::ios::binary).write(bytes.data(),
                                                               static_cast<std::streamsize>(bytes.size()));
    std::printf("%d %zu %zu %s\n", k, model.solids, model.parts, model.name.c_str());
    ++k;
  }
  return 0;
}
