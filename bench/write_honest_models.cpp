// Writes the models a host may write (every record order, many small solids, a
// part shared by thousands of solids: the corpus of the bridge's tests) for
// scripts/bench.sh, each into an APPDATA of its own, and lists them with what a
// complete export sends of each.
//
//   write_honest_models FOLDER
//   write_honest_models --small-solids N MODEL
//   write_honest_models --update N K FILE
//
// FOLDER/shape-K/Brevane/Corvella2026_D5Plugin/Data/_model.cvm holds shape K;
// each line of standard output reads "K SOLIDS PARTS NAME". With --small-solids,
// MODEL is a model of N solids of one triangle each; with --update, FILE is the "_mod.sm"
// of that model in which K solids spread over it changed.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "container_writer/honest_files.h"

namespace {

namespace cw = tarnwick::container_writer;
namespace fs = std::filesystem;

constexpr char kDataFolder[] = "Brevane/Corvella2026_D5Plugin/Data";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--small-solids") {
    return cw::WriteContainerFile(cw::ManySmallSolids(std::stoul(argv[2])).container, argv[3]) ? 0 : 1;
  }
  if (argc == 5 && std::string(argv[1]) == "--update") {
    return cw::WriteContainerFile(cw::ManySmallSolidsUpdate(std::stoul(argv[2]), std::stoul(argv[3])),
                                  argv[4]) ? 0 : 1;
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
