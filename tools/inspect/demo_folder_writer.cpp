// Writes the files of the demonstration's exchange folder as the host
// simulator's plug-in writes them (the farmstead model, its edit as _mod.sm,
// the camera and the saved views, the textures and the IES profile they name),
// so that the native and the Windows inspector can be run on the same folder.
//   demo_folder_writer <folder>
#include <cstdio>
#include <string>

#include "container_writer/container_writer.h"
#include "host_sim/demo_assets.h"
#include "host_sim/demo_model.h"

namespace {

bool WriteText(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  namespace hs = tarnwick::host_sim;
  namespace cw = tarnwick::container_writer;
  if (argc != 2) {
    std::fputs("usage: demo_folder_writer FOLDER\n", stderr);
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const bool written = cw::WriteContainerFile(hs::DemoModel(), folder + "_model.cvm") &&
                       cw::WriteContainerFile(hs::DemoUpdate(), folder + "_mod.sm") &&
                       WriteText(folder + "camera.cam", hs::DemoCameraText()) &&
                       WriteText(folder + "Views.cam", hs::DemoViewsText()) &&
                       hs::WriteDemoAssets(argv[1]);
  return written ? 0 : 1;
}
