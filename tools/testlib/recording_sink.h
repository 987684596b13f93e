// A model sink that records what the container reader hands it, as plain
// values, so that reader tests need no renderer at all.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "formats/model_sink.h"

namespace tarnwick::testing {

// One part as it arrived, with copies of its arrays.
struct RecordedPart {
  std::u16string name;
  std::vector<float> positions;
  std::vector<std::uint32_t> attributes1;
  std::vector<std::uint32_t> attributes2;
  std::vector<std::uint32_t> indices;
  bool positions_null = true;  // whether the positions arrived as a null pointer
  bool indices_in_range = true;  // as the reader found them
};

// One solid with its parts.
struct RecordedSolid {
  SolidInfo info;
  std::vector<RecordedPart> parts;
  bool ended = false;
  bool whole = false;  // as the reader said at the end
};

// One removal list.
struct RecordedList {
  std::u16string name;
  std::vector<std::uint32_t> ids;
};

// Records every call; `events` lists the calls in order ("material", "light",
// "solid", "part", "end", "camera", "removal", "abandoned").
class RecordingSink : public ModelSink {
 public:
  void OnMaterialText(const std::u16string& text) override;
  void OnLightText(const std::u16string& text) override;
  void OnSolidTable(std::uint32_t solids) override { solid_tables.push_back(solids); }
  void OnSolidBegin(const SolidInfo& solid) override;
  void OnPart(const FileText& name, const PartGeometry& part) override;
  void OnSolidEnd(bool whole) override;
  void OnCameraText(const std::u16string& text) override;
  void OnRemovalList(const std::u16string& name, std::span<const std::uint32_t> ids) override;
  void OnBodyAbandoned(const std::string& reason) override;

  std::vector<std::string> events;
  std::vector<std::u16string> materials;
  std::vector<std::u16string> lights;
  std::vector<RecordedSolid> solids;
  std::vector<std::uint32_t> solid_tables;  // what each solid table was said to hold at most
  std::vector<std::u16string> cameras;
  std::vector<RecordedList> removals;
  std::vector<std::string> abandoned;  // the reasons given
};

// Records what the reader tells besides the records: the counts it refuses (position and
// count), its reads past the end of the file and its failed reads; over a RecordingSink,
// the records as well.
template <typename Base>
class NoticesOver : public Base {
 public:
  void OnCountRefused(std::uint64_t position, std::uint32_t count) override {
    refused.emplace_back(position, count);
  }
  void OnReadPastEnd(std::uint64_t position) override { past_end.push_back(position); }
  void OnReadFailed(bool /*whole_body*/) override { ++read_failures; }

  std::vector<std::pair<std::uint64_t, std::uint32_t>> refused;
  std::vector<std::uint64_t> past_end;
  int read_failures = 0;
};

// The notices alone.
using NoticeSink = NoticesOver<ModelSink>;

}  // namespace tarnwick::testing
