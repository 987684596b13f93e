// The steps of a host simulator scenario, each one thing the host's plug-in
// or its user does.
#include <cstdlib>

#include "container_writer/container_writer.h"
#include "host_sim/demo_assets.h"
#include "host_sim/demo_model.h"
#include "host_sim/host_simulator.h"
#include "host_sim/wide_text.h"

#include "test_host/protocol_names.h"

namespace tarnwick::host_sim {

namespace fs = std::filesystem;
namespace cw = container_writer;

namespace {

// "\n" in a script's text stands for a line feed, "\\" for a backslash.
std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
      out.push_back(text[++i] == 'n' ? '\n' : '\\');
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string ContainerSource(const cw::Container& container, const std::string& what,
                            std::string& about) {
  about = what + ", " + DescribeContainer(container);
  return cw::BuildContainer(container);
}

}  // namespace

bool HostSimulator::Source(const Step& step, std::size_t at, std::string& bytes,
                           std::string& about) {
  const std::string& kind = step.words[at];
  const std::string rest = step.TextAfter(at + 1);
  if (kind == "demo-model") {
    bytes = ContainerSource(DemoModel(), "the demo model", about);
  } else if (kind == "demo-update") {
    bytes = ContainerSource(DemoUpdate(), "the demo edit", about);
  } else if (kind == "small-model") {
    bytes = ContainerSource(SmallModel(7), "a small model", about);
  } else if (kind == "model-v6") {
    bytes = ContainerSource(SmallModel(6), "an old model", about);
  } else if (kind == "demo-camera") {
    bytes = DemoCameraText();
    about = "the current camera";
  } else if (kind == "demo-views") {
    bytes = DemoViewsText();
    about = std::to_string(CountLinesStartingWith(bytes, "Cameras_Camera_ObjectSTART")) +
            " saved views";
  } else if (kind == "text") {
    bytes = Unescape(rest);
    about = "given text";
  } else {
    const fs::path path = kind == "sample"
                              ? test_host::WindowsPathOf(TARNWICK_SAMPLE_FOLDER) / Widen(rest)
                              : test_host::WindowsPathOf(rest);
    const std::optional<std::string> read = ReadWholeFile(path);
    if (!read) return Fail("cannot read " + Narrow(path.wstring()));
    bytes = *read;
    about = (kind == "sample" ? "the house sample's " + rest : Narrow(path.wstring()));
  }
  return true;
}

bool HostSimulator::Folder(const Step& step) {
  const fs::path appdata = step.text == "temp" ? files_.work_folder() : fs::path(Widen(step.text));
  if (!files_.UseAppData(appdata)) {
    return Fail("cannot make the exchange folder below " + step.text);
  }
  Say("uses APPDATA=" + Narrow(files_.appdata().wstring()) + ": the exchange folder is " +
      Narrow(files_.data_folder().wstring()));
  return true;
}

bool HostSimulator::Env(const Step& step) {
  extra_environment_.emplace_back(Widen(step.words[0]), Widen(step.TextAfter(1)));
  Say("will start Tarnwick.exe with " + step.words[0] + "=" + step.TextAfter(1));
  return true;
}

bool HostSimulator::Renderer(const Step& step) {
  standin_renderer_ = step.words[0] == "standin";
  if (standin_renderer_) {
    renderer_window_.reset();
    Say("leaves the renderer's window to the renderer: the stand-in D5Api.dll starts "
        "renderer_window.exe");
  } else {
    if (!renderer_window_) {
      renderer_window_ = std::make_unique<test_host::FakeWindow>(test_host::kRendererClass);
    }
    Say("plays the renderer's window (class Qt5152QWindowIcon) itself");
  }
  return true;
}

bool HostSimulator::OpenHost() {
  if (!host_window_) {
    host_window_ = std::make_unique<HostWindow>([this](WPARAM w, LPARAM l) { OnSyncReady(w, l); });
  }
  Say("opens its main window (class Corvella_class)");
  return host_window_->handle() != nullptr || Fail("cannot create the host's window");
}

bool HostSimulator::CloseHost() {
  host_window_.reset();
  closed_at_ = GetTickCount64();
  Say("closes its main window (class Corvella_class)");
  return true;
}

bool HostSimulator::CloseRenderer() {
  if (renderer_window_) {
    renderer_window_.reset();
    closed_at_ = GetTickCount64();
    Say("closes the renderer's window (class Qt5152QWindowIcon)");
    return true;
  }
  std::vector<HWND> windows;
  if (!WaitFor(
          [&] {
            windows = OtherRendererWindows();
            return !windows.empty();
          },
          5000, "the renderer's window", kEnd)) {
    return false;
  }
  for (HWND window : windows) PostMessageW(window, WM_CLOSE, 0, 0);
  closed_at_ = GetTickCount64();
  Say("closes the renderer's window (renderer_window.exe, class Qt5152QWindowIcon)");
  return WaitFor([] { return OtherRendererWindows().empty(); }, 5000, "the renderer window's end",
                 kEnd);
}

bool HostSimulator::Write(const Step& step) {
  std::string bytes, about;
  if (!Source(step, 1, bytes, about)) return false;
  const std::wstring name = Widen(step.words[0]);
  if (!files_.Write(name, bytes)) return Fail("cannot write " + step.words[0]);
  Say("writes " + step.words[0] + " (" + about + "; " + std::to_string(bytes.size()) + " bytes)");
  // The plug-in exports the textures and IES profiles a model names beside it.
  const std::string& kind = step.words[1];
  if (kind == "demo-model" || kind == "demo-update") {
    if (!WriteDemoAssets(files_.data_folder())) return Fail("cannot write the demo's textures");
    Say("writes the " + std::to_string(DemoAssets().size()) +
        " textures and IES profiles the model names (Textures, IES)");
  }
  return true;
}

bool HostSimulator::Remove(const Step& step) {
  if (!files_.Remove(Widen(step.words[0]))) return Fail("cannot remove " + step.words[0]);
  Say("removes " + step.words[0] + " from the exchange folder");
  return true;
}

bool HostSimulator::RemoveFolder() {
  if (!files_.RemoveDataFolder()) return Fail("cannot remove the exchange folder");
  Say("removes the exchange folder " + Narrow(files_.data_folder().wstring()));
  return true;
}

bool HostSimulator::Answer(const Step& step) {
  if (step.words[0] == "none") {
    answer_.reset();
    Say("will not answer the bridge's message " + test_host::Number(protocol::MSG_HOST_SYNC_READY));
    return true;
  }
  std::string bytes, about;
  if (!Source(step, 0, bytes, about)) return false;
  answer_ = std::move(bytes);
  Say("will answer the bridge's message " + test_host::Number(protocol::MSG_HOST_SYNC_READY) +
      " with " + protocol::kIncrementalFile.narrow + ": " + about);
  return true;
}

}  // namespace tarnwick::host_sim
