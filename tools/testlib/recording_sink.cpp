#include "testlib/recording_sink.h"

namespace tarnwick::testing {

namespace {

template <typename T>
std::vector<T> Copy(const void* data, std::uint32_t count) {
  const auto* first = static_cast<const T*>(data);
  return data ? std::vector<T>(first, first + count) : std::vector<T>();
}

}  // namespace

void RecordingSink::OnMaterialText(const std::u16string& text) {
  events.push_back("material");
  materials.push_back(text);
}

void RecordingSink::OnLightText(const std::u16string& text) {
  events.push_back("light");
  lights.push_back(text);
}

void RecordingSink::OnSolidBegin(const SolidInfo& solid) {
  events.push_back("solid");
  solids.push_back(RecordedSolid{solid, {}, false, false});
}

void RecordingSink::OnPart(const FileText& name, const PartGeometry& part) {
  events.push_back("part");
  RecordedPart recorded;
  recorded.name = name.ToString();
  recorded.indices_in_range = part.indices_in_range;
  recorded.positions = Copy<float>(part.positions, part.position_count);
  recorded.positions_null = part.positions == nullptr;
  recorded.attributes1 = Copy<std::uint32_t>(part.attributes1, part.attributes1_count);
  recorded.attributes2 = Copy<std::uint32_t>(part.attributes2, part.attributes2_count);
  recorded.indices = Copy<std::uint32_t>(part.indices, part.index_count);
  if (!solids.empty()) solids.back().parts.push_back(std::move(recorded));
}

void RecordingSink::OnSolidEnd(bool whole) {
  events.push_back("end");
  if (!solids.empty()) {
    solids.back().ended = true;
    solids.back().whole = whole;
  }
}

void RecordingSink::OnCameraText(const std::u16string& text) {
  events.push_back("camera");
  cameras.push_back(text);
}

void RecordingSink::OnRemovalList(const std::u16string& name, std::span<const std::uint32_t> ids) {
  events.push_back("removal");
  removals.push_back(RecordedList{name, std::vector<std::uint32_t>(ids.begin(), ids.end())});
}

void RecordingSink::OnBodyAbandoned(const std::string& reason) {
  events.push_back("abandoned");
  abandoned.push_back(reason);
}

}  // namespace tarnwick::testing
