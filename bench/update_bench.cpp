// The incremental update and the host's requests cost what the change costs,
// not what the model holds: each benchmark runs at 20,000 and at 200,000, and
// the time at 200,000 should stay within 12 times the time at 20,000 (and, for
// the one-solid sync, near the same time at both).
//   ModelSyncOneSolid/N  a sync that removes and re-sends one solid of N
//   SyncRecord/N         the sync record of a document of N solids
//   RemoveSolids/N       an update that removes N solids of a document of N
//   RemoveFixedChange/N  an update that removes 20,000 solids, spread evenly, of a
//                        document of N: a change of the same size in a larger model
//   StartUpExport/N      the start-up export of a model of N one-triangle solids (no
//                        bound on it: its time per solid should stay near the same)
//   SinkAlone/N          what the export's renderer side costs alone: the calls a reader
//                        makes for N one-triangle solids, made straight on the sink; the
//                        rest of StartUpExport/N is the reader's
//   LightSyncChange/N    the light sync of an update that removes 20,000 solids, spread
//                        evenly, of a document of N and sends them again changed
// The stand-in renderer keeps no records.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bridge/exchange_document.h"
#include "bridge/requests.h"
#include "container_writer/container_writer.h"
#include "container_writer/honest_files.h"
#include "renderer/geometry_stream.h"
#include "renderer/renderer_export.h"
#include "platform/text.h"
#include "standin/standin.h"
#include "testlib/temp_exchange.h"

namespace {

namespace cw = tarnwick::container_writer;
using tarnwick::ExchangeDocument;

constexpr char16_t kProject[] = u"C:\\Bench\\Model.pro";
constexpr std::uint32_t kFirstId = 1000;

void QuietRenderer() {
  standin::Options options;
  options.record = false;
  standin::Configure(options);
}

// A document whose renderer holds `count` solids, as a start-up export leaves it.
void FillDocument(ExchangeDocument& document, std::size_t count) {
  document.Session.handle = 1;
  document.SourceProject = kProject;
  document.Solids.BeginBody();
  for (std::size_t i = 0; i < count; ++i) {
    document.Solids.Record(static_cast<std::uint32_t>(kFirstId + i), static_cast<std::uint32_t>(i));
  }
  document.Solids.EndBody(true);
}

cw::Solid SmallSolid(std::uint32_t id) {
  cw::Solid solid;
  solid.id = id;
  solid.label = u"Solid";
  cw::Part part;
  part.name = u"Wall";
  part.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  part.indices = {0, 1, 2};
  solid.parts.push_back(part);
  return solid;
}

// "_mod.sm" with the removal of the ids and, when given, a new body.
void WriteUpdate(const tarnwick::testing::TempExchangeFolder& folder,
                 std::vector<std::uint32_t> removed, std::vector<cw::Solid> added) {
  cw::RemovalSection removals;
  removals.lists.push_back({u"Solid", std::move(removed)});
  cw::ModelBody body;
  body.solids = std::move(added);
  folder.Write("_mod.sm", cw::BuildContainer(cw::IncrementalFile(kProject, removals, body)));
}

void ModelSyncOneSolid(benchmark::State& state) {
  QuietRenderer();
  tarnwick::testing::TempExchangeFolder folder;
  ExchangeDocument document;
  FillDocument(document, static_cast<std::size_t>(state.range(0)));
  const std::uint32_t changed = kFirstId + static_cast<std::uint32_t>(state.range(0) / 2);
  WriteUpdate(folder, {changed}, {SmallSolid(changed)});
  for (auto _ : state) tarnwick::ServeModelSyncApply(document);
  if (document.Solids.size() != static_cast<std::size_t>(state.range(0))) {
    state.SkipWithError("the solid was not re-sent");
  }
}

void SyncRecord(benchmark::State& state) {
  QuietRenderer();
  tarnwick::testing::TempExchangeFolder folder;
  ExchangeDocument document;
  FillDocument(document, static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) tarnwick::ServeModelSyncPrepare(document, [] {});
  if (folder.Read("_mod.sync").empty()) state.SkipWithError("no sync record");
}

// Times an update that removes `removed` solids, every (count / removed)-th, of a document
// of `count`.
void TimeRemoval(benchmark::State& state, std::size_t count, std::size_t removed) {
  QuietRenderer();
  tarnwick::testing::TempExchangeFolder folder;
  const std::size_t step = count / removed;
  std::vector<std::uint32_t> ids(removed);
  for (std::size_t i = 0; i < removed; ++i) ids[i] = static_cast<std::uint32_t>(kFirstId + i * step);
  WriteUpdate(folder, ids, {});
  for (auto _ : state) {
    state.PauseTiming();
    auto document = std::make_unique<ExchangeDocument>();
    FillDocument(*document, count);
    state.ResumeTiming();
    tarnwick::ServeModelSyncApply(*document);
    if (document->Solids.size() != count - removed) state.SkipWithError("wrong solids left");
    state.PauseTiming();
    document.reset();
    state.ResumeTiming();
  }
}

void RemoveSolids(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  TimeRemoval(state, count, count);
}

void RemoveFixedChange(benchmark::State& state) {
  TimeRemoval(state, static_cast<std::size_t>(state.range(0)), 20000);
}

void StartUpExport(benchmark::State& state) {
  QuietRenderer();
  tarnwick::testing::TempExchangeFolder folder;
  const auto count = static_cast<std::size_t>(state.range(0));
  folder.Write("_model.cvm", cw::BuildContainer(cw::ManySmallSolids(count).container));
  const std::u16string path = tarnwick::Utf16FromUtf8(folder.PathOf("_model.cvm"));
  for (auto _ : state) {
    ExchangeDocument document;
    document.Session.handle = 1;
    document.ContainerPath = path;
    tarnwick::StreamSlotToRenderer(document, 0, document, tarnwick::ExportSettings{});
    if (document.Solids.size() != count) state.SkipWithError("not every solid was sent");
  }
  state.counters["ns_per_solid"] = benchmark::Counter(
      static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void SinkAlone(benchmark::State& state) {
  QuietRenderer();
  const auto count = static_cast<std::uint32_t>(state.range(0));
  // One triangle named "Wall", as the models of StartUpExport hold it.
  static const float kPositions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  static const std::uint32_t kIndices[3] = {0, 1, 2};
  static const std::uint8_t kName[8] = {'W', 0, 'a', 0, 'l', 0, 'l', 0};
  tarnwick::PartGeometry part;
  part.position_count = 9;
  part.positions = kPositions;
  part.index_count = 3;
  part.indices = kIndices;
  for (auto _ : state) {
    ExchangeDocument document;
    document.Session.handle = 1;
    tarnwick::RendererExport export_sink(document, tarnwick::ExportSettings{});
    // Called through the base, as the reader calls it: the compiler may not see the type.
    tarnwick::ModelSink* sink = &export_sink;
    benchmark::DoNotOptimize(sink);
    sink->OnSolidTable(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      sink->OnSolidBegin({kFirstId + i, 1, i});
      sink->OnPart({kName, 4}, part);
      sink->OnSolidEnd(true);
    }
    export_sink.Finish();
    if (document.Solids.size() != count) state.SkipWithError("not every solid was held");
  }
  state.counters["ns_per_solid"] = benchmark::Counter(
      static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void LightSyncChange(benchmark::State& state) {
  QuietRenderer();
  tarnwick::testing::TempExchangeFolder folder;
  const auto count = static_cast<std::size_t>(state.range(0));
  const std::size_t changed = 20000;
  const std::size_t step = count / changed;
  std::vector<std::uint32_t> ids(changed);
  std::vector<cw::Solid> solids(changed);
  for (std::size_t i = 0; i < changed; ++i) {
    ids[i] = static_cast<std::uint32_t>(kFirstId + i * step);
    solids[i] = SmallSolid(ids[i]);
  }
  WriteUpdate(folder, ids, std::move(solids));
  ExchangeDocument document;
  FillDocument(document, count);
  for (auto _ : state) tarnwick::ServeLightSync(document);
  if (document.Solids.size() != count) state.SkipWithError("the solids were not re-sent");
}

// Five repetitions, of which the median is reported: a single run at 20,000 solids, a few
// milliseconds, varied by half between runs on a shared machine, and the factor with it.
void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();
  b->Repetitions(5)->ReportAggregatesOnly(true);
}
BENCHMARK(ModelSyncOneSolid)->Apply(Sizes);
BENCHMARK(SyncRecord)->Apply(Sizes);
BENCHMARK(RemoveSolids)->Apply(Sizes);
BENCHMARK(RemoveFixedChange)->Apply(Sizes);
BENCHMARK(LightSyncChange)->Apply(Sizes);
BENCHMARK(StartUpExport)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SinkAlone)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
