// picture_scenes: the exchange folder and the renderer's journal of the
// picture test.
//   picture_scenes OUT_FOLDER [MODEL.cvm]
// Writes the host's files into OUT_FOLDER/exchange: the demonstration model
// and the host's camera, or the given model file with, as "camera.cam", the
// first saved view of its camera block (a camera the host itself offers, so
// that a sample whose current camera looks elsewhere is seen all the same).
// Then writes OUT_FOLDER/journal.jsonl, what the bridge's start-up export and
// camera request sent to the stand-in renderer (with whole arrays). Exit code
// 0 on success, 1 on a failure, 2 on a usage error.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "bridge/requests.h"
#include "container_writer/container_writer.h"
#include "formats/container_reader.h"
#include "formats/container_state.h"
#include "formats/container_stream.h"
#include "host_sim/demo_model.h"
#include "platform/text.h"
#include "standin/standin.h"
#include "testlib/temp_exchange.h"

namespace {

namespace cw = tarnwick::container_writer;
namespace fs = std::filesystem;

constexpr char16_t kViewStart[] = u"Cameras_Camera_ObjectSTART";
constexpr char16_t kCameraStart[] = u"Camera_Start";
constexpr char16_t kCameraEnd[] = u"Camera_End";
constexpr int kModelSlot = 0;

// Keeps the body's camera block.
class CamerasText : public tarnwick::ModelSink {
 public:
  void OnCameraText(const std::u16string& text) override { text_ = text; }
  const std::u16string& text() const { return text_; }

 private:
  std::u16string text_;
};

// The Camera record of the first saved view in the camera block of the model's slot 0.
std::optional<std::string> FirstViewText(const std::string& model) {
  auto stream = tarnwick::ContainerStream::Open(tarnwick::Utf16FromUtf8(model), "rb");
  tarnwick::ContainerState state;
  if (!stream || tarnwick::ReadContainerHeader(*stream, state) != tarnwick::HeaderLoadResult::kLoaded ||
      state.Slots[kModelSlot].Kind != tarnwick::kModelBodyKind) {
    return std::nullopt;
  }
  CamerasText cameras;
  tarnwick::ReadModelBody(*stream, static_cast<std::uint32_t>(state.Slots[kModelSlot].Offset), cameras);
  const std::u16string& text = cameras.text();
  const std::size_t view = text.find(kViewStart);
  const std::size_t start = view == std::u16string::npos ? view : text.find(kCameraStart, view);
  const std::size_t end = start == std::u16string::npos ? start : text.find(kCameraEnd, start);
  if (end == std::u16string::npos) return std::nullopt;
  const std::size_t length = end + std::char_traits<char16_t>::length(kCameraEnd) - start;
  return tarnwick::NarrowLatin1(text.substr(start, length)) + "\n";
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  return static_cast<bool>(file.flush());
}

// The host's files of the picture in `folder`.
bool WriteHostFiles(const std::string& folder, const std::string& model) {
  if (model.empty()) {
    return cw::WriteContainerFile(tarnwick::host_sim::DemoModel(), folder + "/_model.cvm") &&
           WriteText(folder + "/camera.cam", tarnwick::host_sim::DemoCameraText());
  }
  const std::optional<std::string> camera = FirstViewText(model);
  if (!camera) {
    std::fprintf(stderr, "picture_scenes: %s has no saved view in slot 0\n", model.c_str());
    return false;
  }
  std::error_code error;
  return fs::copy_file(model, folder + "/_model.cvm", fs::copy_options::overwrite_existing, error) &&
         WriteText(folder + "/camera.cam", *camera);
}

// The bridge's start-up export and camera request on the host's files in a fresh
// exchange folder, which is then copied to OUT_FOLDER/exchange for readers of exchange folders.
bool WriteReceivedJournal(const std::string& out, const std::string& model) {
  tarnwick::testing::TempExchangeFolder folder;
  if (!WriteHostFiles(folder.native_folder(), model)) return false;
  standin::Configure({.whole_arrays = true});
  tarnwick::ExchangeDocument document;
  const bool exported = tarnwick::RunStartupExport(document);
  if (exported) tarnwick::ServeCameraSync(document);
  std::ofstream journal(out + "/journal.jsonl", std::ios::binary | std::ios::trunc);
  for (const std::string& line : standin::JournalLines()) journal << line << '\n';
  standin::Configure({});
  std::error_code error;
  fs::create_directories(out + "/exchange", error);
  bool copied = !error;
  for (const char* name : {"_model.cvm", "camera.cam"}) {
    copied = fs::copy_file(folder.PathOf(name), out + "/exchange/" + name,
                           fs::copy_options::overwrite_existing, error) &&
             copied;
  }
  return exported && journal.flush() && copied;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: picture_scenes OUT_FOLDER [MODEL.cvm]\n");
    return 2;
  }
  const std::string out = argv[1];
  const std::string model = argc == 3 ? argv[2] : "";
  if (!WriteReceivedJournal(out, model)) {
    std::fprintf(stderr, "picture_scenes: the bridge's export of %s failed\n",
                 model.empty() ? "the demonstration model" : model.c_str());
    return 1;
  }
  return 0;
}
