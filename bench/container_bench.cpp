// How fast the start-up export streams a large model file into the renderer,
// next to a plain sequential read of the same file in the same run.
//
// A model of more than 1 GiB (thousands of solids, several parts each) is
// written once into a temporary folder (TARNWICK_BENCH_DIR, else the system's
// temporary folder) and removed at the end. The stand-in renderer keeps no
// records, so the figures are the reader's own. Each benchmark reports bytes
// per second and the peak resident memory seen while it ran (peak_MiB: with
// the file's pages of the export's mapped view); the export also reports the
// process's private memory at the end of each export (private_MiB).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "container_writer/container_writer.h"
#include "formats/body_limits.h"
#include "formats/container_reader.h"
#include "inspect/container_inspection.h"
#include "formats/container_stream.h"
#include "protocol/protocol.h"
#include "bridge/exchange_document.h"
#include "renderer/renderer_export.h"
#include "platform/text.h"
#include "standin/standin.h"

namespace {

namespace cw = tarnwick::container_writer;
namespace fs = std::filesystem;

constexpr std::size_t kSolids = 2400;

// Solid i has 2 to 5 parts of 1024 to 4608 vertices: positions, normals
// (first attributes), texture coordinates (second attributes) and two
// triangles per vertex.
void MakeSolid(std::size_t i, cw::Solid& solid) {
  solid.id = static_cast<std::uint32_t>(1000 + i);
  solid.time_stamp = static_cast<std::uint32_t>(i);
  solid.label = u"Solid";
  solid.parts.resize(2 + i % 4);
  for (std::size_t j = 0; j < solid.parts.size(); ++j) {
    cw::Part& part = solid.parts[j];
    const std::size_t vertices = 1024 + ((i * 7 + j * 13) % 8) * 512;
    part.name = u"Part";
    part.positions.resize(3 * vertices);
    for (std::size_t k = 0; k < part.positions.size(); ++k) part.positions[k] = 0.001f * k;
    part.attributes1.assign(3 * vertices, 0x3F800000);
    part.attributes2.assign(2 * vertices, 0);
    part.indices.resize(6 * vertices);
    for (std::size_t k = 0; k < part.indices.size(); ++k) {
      part.indices[k] = static_cast<std::uint32_t>((k * 2654435761u) % vertices);
    }
  }
}

struct ModelFile {
  std::string path;
  std::uint64_t bytes = 0;
};

fs::path BenchFolder() {
  const char* dir = std::getenv("TARNWICK_BENCH_DIR");
  return dir && *dir ? fs::path(dir) : fs::temp_directory_path();
}

std::vector<std::string>& Written() {
  static std::vector<std::string> files;
  return files;
}

// The generated model, written on first use; aligned or not, as the host may write it.
const ModelFile& Model(bool aligned) {
  static ModelFile files[2];
  ModelFile& file = files[aligned ? 1 : 0];
  if (file.path.empty()) {
    file.path = (BenchFolder() / (aligned ? "tarnwick_bench_aligned.cvm"
                                          : "tarnwick_bench_unaligned.cvm")).string();
    cw::ModelBody body;
    body.materials = {u"MaterialID_Name [Oak]\nDiffuse 0.6 0.4 0.2"};
    body.lights = {u"LightSource [point]\nLightSolidID [12]"};
    body.generated_solids = kSolids;
    body.generate_solid = MakeSolid;
    body.cameras = u"Cameras_Start\nCameras_End";
    cw::Container container = cw::ModelFile(u"C:\\Bench\\Model.pro", body);
    container.align_arrays = aligned;
    Written().push_back(file.path);
    std::FILE* out = std::fopen(file.path.c_str(), "wb");
    // Written back to disk before any timing, so that write-back does not disturb it.
    if (!out || !cw::WriteContainer(container, out) || fsync(fileno(out)) != 0) std::abort();
    // Dropped from the page cache and read back: the writer's small writes leave the file in
    // small pieces of the cache, which every reader reads more slowly than a file read from disk.
    posix_fadvise(fileno(out), 0, 0, POSIX_FADV_DONTNEED);
    std::fclose(out);
    std::FILE* in = std::fopen(file.path.c_str(), "rb");
    std::vector<char> buffer(std::size_t{1} << 20);
    while (in && std::fread(buffer.data(), 1, buffer.size(), in) != 0) {
    }
    if (in) std::fclose(in);
    file.bytes = fs::file_size(file.path);
    if (file.bytes < (std::uint64_t{1} << 30)) std::abort();
  }
  return file;
}

// Peak resident memory is reset before a benchmark and read after it (Linux).
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// One figure of /proc/self/status ("VmHWM:", "RssAnon:") in MiB.
double StatusMiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(field.size())) / 1024.0;
  }
  return 0.0;
}

double PeakMemoryMiB() { return StatusMiB("VmHWM:"); }

void PlainRead(benchmark::State& state) {
  const ModelFile& model = Model(state.range(0) != 0);
  std::vector<char> buffer(std::size_t{8} << 20);
  ResetPeakMemory();
  for (auto _ : state) {
    std::FILE* file = std::fopen(model.path.c_str(), "rb");
    std::size_t total = 0;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file)) total += n;
    std::fclose(file);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * model.bytes));
  state.counters["peak_MiB"] = PeakMemoryMiB();
}

void StreamModel(benchmark::State& state) {
  const ModelFile& model = Model(state.range(0) != 0);
  standin::Options options;
  options.record = false;
  standin::Configure(options);
  ResetPeakMemory();
  std::size_t solids = 0;
  double private_mib = 0;
  for (auto _ : state) {
    tarnwick::ExchangeDocument document;
    document.Session.handle = 1;
    document.ContainerPath = tarnwick::Utf16FromUtf8(model.path);
    tarnwick::StreamSlotToRenderer(document, 0, document, tarnwick::ExportSettings{});
    solids = document.Solids.size();
    private_mib = std::max(private_mib, StatusMiB("RssAnon:"));
  }
  state.counters["private_MiB"] = private_mib;
  if (solids != kSolids) state.SkipWithError("not every solid was streamed");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * model.bytes));
  state.counters["peak_MiB"] = PeakMemoryMiB();
}

// The inspector's validation of the same file: every part measured, nothing sent.
void InspectModel(benchmark::State& state) {
  const ModelFile& model = Model(state.range(0) != 0);
  ResetPeakMemory();
  std::uint64_t solids = 0;
  for (auto _ : state) {
    tarnwick::inspect::FindingLog log(1000);
    tarnwick::inspect::ContainerSummary summary;
    const tarnwick::inspect::RecordContext context{.file = "bench", .log = &log};
    tarnwick::inspect::InspectContainer(tarnwick::Utf16FromUtf8(model.path),
                                        tarnwick::inspect::ContainerRole::kModel, context, summary);
    solids = summary.body ? summary.body->solids : 0;
  }
  if (solids != kSolids) state.SkipWithError("not every solid was inspected");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * model.bytes));
  state.counters["peak_MiB"] = PeakMemoryMiB();
}

// Counts what the reader hands over, and whether the body's work budget cut it.
class CountingSink : public tarnwick::ModelSink {
 public:
  void OnPart(const tarnwick::FileText&, const tarnwick::PartGeometry&) override { ++parts; }
  void OnBodyAbandoned(const std::string&) override { ++abandoned; }
  int parts = 0;
  int abandoned = 0;
};

// The reader's work over the whole model, each kind as a share of its bound: a model the
// host writes stays far below every one.
void BodyWork(benchmark::State& state) {
  const ModelFile& model = Model(state.range(0) != 0);
  CountingSink sink;
  tarnwick::BodyWork work;
  for (auto _ : state) {
    auto stream = tarnwick::ContainerStream::Open(tarnwick::Utf16FromUtf8(model.path), "rb");
    if (!stream) return state.SkipWithError("the model cannot be opened");
    work = tarnwick::ReadModelBody(*stream, tarnwick::protocol::kContainerHeaderBytes, sink);
  }
  for (std::size_t k = 0; k < tarnwick::kWorkKinds; ++k) {
    const auto kind = static_cast<tarnwick::WorkKind>(k);
    state.counters[std::string("share of bound: ") + tarnwick::kWorkBounds[k].what] =
        static_cast<double>(work[kind]) / static_cast<double>(tarnwick::WorkLimit(kind, model.bytes));
  }
  state.counters["abandoned"] = sink.abandoned;
  state.counters["parts"] = sink.parts;
}

// Arrays on 4-byte file offsets (lent from the window) and anywhere (copied);
// rates are taken over wall time, as a reader waits for its reads.
void Configure(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->MinTime(3)->Repetitions(3)->UseRealTime();
}
BENCHMARK(PlainRead)->Arg(1)->Apply(Configure);
BENCHMARK(StreamModel)->Arg(1)->Apply(Configure);
BENCHMARK(InspectModel)->Arg(1)->Apply(Configure);
BENCHMARK(PlainRead)->Arg(0)->Apply(Configure);
BENCHMARK(StreamModel)->Arg(0)->Apply(Configure);
BENCHMARK(InspectModel)->Arg(0)->Apply(Configure);
BENCHMARK(BodyWork)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Model(false);
  Model(true);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const std::string& path : Written()) std::remove(path.c_str());
  return 0;
}
