#include "formats/body_reader.h"

#include <algorithm>

#include "formats/container_reader.h"

namespace tarnwick {

namespace {

// A ModelBody's five section sizes.
constexpr std::size_t kSectionSizesBytes = 20;
// A material entry: text length, two ignored words.
constexpr std::size_t kMaterialHeadBytes = 12;
// A solid record up to its label: u32, u32 H, u8, u32 time stamp, u32 count of the label;
// after the label: u32, u32, u32 solid id, u32 count of the second string.
constexpr std::size_t kSolidHeadBytes = 17;
constexpr std::size_t kSolidTailBytes = 16;

}  // namespace

BodyReader::BodyReader(ContainerStream& stream, std::uint32_t body_start, ModelSink& sink)
    : body_(body_start),
      sink_(sink),
      bytes_(stream, sink),
      budget_(stream.Size(), body_start, sink),
      parts_(bytes_, budget_, sink),
      part_table_(stream, 0, 0),
      end_(body_start) {}

std::uint64_t BodyReader::At(std::uint32_t offset) const { return BodyPosition(body_, offset); }

bool BodyReader::TableCount(std::uint64_t at, std::uint32_t& count) {
  RecordFields fields(bytes_);
  std::uint64_t end = 0;
  if (!fields.Begin(at, 4) || !fields.Count(at, 4, count, end)) return false;
  end_ = end;
  return true;
}

template <typename ReadEntry>
void BodyReader::Section(std::uint64_t at, bool solids, ReadEntry read) {
  std::uint32_t count = 0;
  if (!TableCount(at, count)) return;
  // Each solid a host writes has a record of its own after the table: a count that the bytes
  // left could not hold is not passed on as it stands.
  if (solids) {
    const std::uint64_t records = (bytes_.size() - end_) / (kSolidHeadBytes + kSolidTailBytes);
    sink_.OnSolidTable(static_cast<std::uint32_t>(std::min<std::uint64_t>(count, records)));
  }
  WordTable table(bytes_.stream(), at + 4, count);
  ForEachEntry(table, visits_, budget_, solids, read);
}

BodyWork BodyReader::ReadModelBody() {
  if (const std::uint8_t* sizes = bytes_.Fixed(body_, kSectionSizesBytes)) {
    const std::uint32_t s0 = LoadU32(sizes), s1 = LoadU32(sizes + 4);
    const std::uint32_t s2 = LoadU32(sizes + 8), s3 = LoadU32(sizes + 12);
    end_ = body_ + kSectionSizesBytes;
    if (s0 != 0) Section(end_, false, [&](std::uint32_t offset) { return Material(offset); });
    if (s1 != 0 && GoesOn()) {
      Section(LightSectionStart(body_, s0), false, [&](std::uint32_t offset) { return Light(offset); });
    }
    if (s2 != 0 && GoesOn()) {
      Section(SolidSectionStart(body_, s0, s1), true, [&](std::uint32_t offset) { return Solid(offset); });
    }
    if (s3 != 0 && GoesOn()) Camera();
  }
  bytes_.Readable();
  // A mapped file cut short under the reader reads as zeros in its last page without any
  // fault: only its size tells.
  if (bytes_.stream().Shrunk()) sink_.OnReadFailed(true);
  return budget_.work();
}

bool BodyReader::CountedText(std::uint64_t count_at) {
  const std::uint8_t* count = bytes_.Fixed(count_at, 4);
  if (!count || !bytes_.Fits(count_at, count_at + 4, LoadU32(count), 2)) return false;
  end_ = count_at + 4 + std::uint64_t{LoadU32(count)} * 2;
  return bytes_.CopyText(count_at + 4, LoadU32(count), text_);
}

bool BodyReader::ChargeText(std::uint64_t units_read) {
  const auto lines = static_cast<std::uint64_t>(std::count(text_.begin(), text_.end(), u'\n'));
  budget_.Charge(WorkKind::kText, units_read + kLineWork * lines);
  // The text is parsed only within the bound: its parse is the work the bound is for.
  return budget_.Allows() && bytes_.Readable();
}

bool BodyReader::Material(std::uint32_t offset) {
  const std::uint64_t at = At(offset);
  const std::uint8_t* head = bytes_.Fixed(at, kMaterialHeadBytes);
  if (!head) return false;
  // An odd last byte is not read.
  const std::uint32_t units = LoadU32(head) / 2;
  const std::uint64_t text_at = at + kMaterialHeadBytes;
  if (!bytes_.Fits(text_at, text_at, units, 2) || !bytes_.CopyText(text_at, units, text_)) {
    return false;
  }
  end_ = text_at + std::uint64_t{units} * 2;
  text_.resize(std::min(text_.size(), text_.find(u'\0')));
  if (!ChargeText(units)) return false;
  sink_.OnMaterialText(text_);
  return true;
}

bool BodyReader::Light(std::uint32_t offset) {
  if (!CountedText(At(offset)) || !ChargeText(text_.size())) return false;
  sink_.OnLightText(text_);
  return true;
}

bool BodyReader::Solid(std::uint32_t offset) {
  const std::uint64_t at = At(offset);
  RecordFields fields(bytes_);
  const std::uint8_t* head = fields.Begin(at, kSolidHeadBytes);
  if (!head) return false;
  SolidInfo solid{0, LoadU32(head + 9), at};
  const std::uint64_t parts_at = at + 4 + LoadU32(head + 4);
  std::uint32_t units = 0, count = 0;
  std::uint64_t tail_at = 0, second_end = 0, table_end = 0;
  // The label and the second string are not interpreted: only their lengths are checked.
  if (!fields.Count(at + 13, 2, units, tail_at)) return false;
  const std::uint8_t* tail = fields.At(tail_at, kSolidTailBytes);
  if (!tail) return false;
  solid.id = LoadU32(tail + 8);
  // A solid whose part table is not in the file is not begun: the renderer is sent nothing of it.
  if (!fields.Count(tail_at + 12, 2, units, second_end) ||
      !fields.Count(parts_at, 4, count, table_end)) {
    return false;
  }
  end_ = table_end;
  // The table's first word lies in the run just read, as a host writes a solid.
  std::uint32_t first_part = 0;
  if (count != 0) {
    const std::uint8_t* first = fields.At(parts_at + 4, 4);
    if (first == nullptr) return false;
    first_part = LoadU32(first);
  }
  return SolidParts(solid, parts_at + 4, count, first_part);
}

inline bool BodyReader::SolidParts(const SolidInfo& solid, std::uint64_t table_at,
                                   std::uint32_t count, std::uint32_t first_part) {
  if (!bytes_.Readable()) return false;
  sink_.OnSolidBegin(solid);
  const auto read = [&](std::uint32_t part) { return parts_.Read(At(part), end_); };
  // Most solids have one part: their table is gone through without a word table or visits.
  bool all_parts = false;
  if (count == 1) {
    OneEntry one(first_part);
    all_parts = ForEachEntry(one, one, budget_, true, read);
  } else {
    part_table_.Open(table_at, count, first_part);
    all_parts = ForEachEntry(part_table_, part_visits_, budget_, true, read);
  }
  // A part the renderer took from a page that was lost meanwhile was not the file's.
  sink_.OnSolidEnd(all_parts && bytes_.Readable());
  return !bytes_.stopped();
}

void BodyReader::Camera() {
  budget_.Charge(WorkKind::kRecords, 1);
  if (CountedText(end_) && ChargeText(text_.size())) sink_.OnCameraText(text_);
}

bool BodyReader::RemovalList(std::uint32_t offset) {
  const std::uint64_t at = At(offset);
  if (!CountedText(at)) return false;
  budget_.Charge(WorkKind::kNames, text_.size());
  ids_.clear();
  // Only the lists the bridge acts on have their ids read.
  if (text_ == u"Solid" || text_ == u"Material") {
    const std::uint64_t count_at = at + 4 + 2 * text_.size();
    const std::uint8_t* count = bytes_.Fixed(count_at, 4);
    if (!count || !bytes_.Fits(count_at, count_at + 4, LoadU32(count), 4)) return false;
    budget_.Charge(WorkKind::kRemovalIds, LoadU32(count));
    ids_.resize(LoadU32(count));
    WordTable ids(bytes_.stream(), count_at + 4, LoadU32(count));
    for (std::uint32_t i = 0; i < ids_.size(); ++i) ids_[i] = ids[i];
  }
  if (!bytes_.Readable()) return false;
  sink_.OnRemovalList(text_, ids_);
  return true;
}

BodyWork BodyReader::ReadRemovalSection() {
  std::uint32_t count = 0;
  if (!TableCount(body_, count)) return budget_.work();
  WordTable words(bytes_.stream(), body_ + std::uint64_t{4}, count);
  // The words are taken in pairs: the first of each is a list's offset.
  TableVisits visits(2);
  visits.Reset();
  for (std::uint32_t i = 0; i < words.size() && GoesOn(); i += 2) {
    budget_.Charge(WorkKind::kEntries, 1);
    const std::uint32_t offset = words[i];
    if (!visits.First(offset, words, i, budget_)) continue;
    budget_.Charge(WorkKind::kRecords, 1);
    if (!RemovalList(offset)) break;
  }
  bytes_.Readable();
  return budget_.work();
}

BodyWork ReadModelBody(ContainerStream& stream, std::uint32_t body_start, ModelSink& sink) {
  return BodyReader(stream, body_start, sink).ReadModelBody();
}

BodyWork ReadRemovalSection(ContainerStream& stream, std::uint32_t body_start, ModelSink& sink) {
  return BodyReader(stream, body_start, sink).ReadRemovalSection();
}

}  // namespace tarnwick
