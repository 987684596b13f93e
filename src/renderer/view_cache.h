// The views sent to the renderer, in the order in which each name was first
// sent, with entry 0 holding the last active camera once one was sent. Views
// are found by name through an index kept beside the list, so a sync of n
// views costs n look-ups whatever the cache holds.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "formats/camera_record.h"

namespace tarnwick {

class NamedViewCache {
 public:
  // Number of entries.
  std::size_t size() const { return views_.size(); }
  // True when nothing has been sent yet.
  bool empty() const { return views_.empty(); }
  // One entry by position.
  const CameraRecord& operator[](std::size_t index) const { return views_[index]; }

  // The first entry, from entry 0 on, whose name equals `name` code unit by code unit.
  std::optional<std::size_t> Find(const std::u16string& name) const;
  // Appends an entry; an earlier entry of the same name still comes first in Find.
  void push_back(const CameraRecord& view);
  // Replaces one entry with every field of `view`.
  void Overwrite(std::size_t index, const CameraRecord& view);
  // Entry 0 becomes the active camera; on an empty cache it is appended.
  void SetActive(const CameraRecord& camera);
  // Forgets every entry.
  void clear();

 private:
  void Rebuild();

  std::vector<CameraRecord> views_;
  // Entries 1 and on by name, the first of a name kept. Entry 0 changes its
  // name with every active camera, so it is compared directly instead.
  std::unordered_map<std::u16string, std::size_t> later_;
};

}  // namespace tarnwick
