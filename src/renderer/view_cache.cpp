#include "renderer/view_cache.h"

namespace tarnwick {

std::optional<std::size_t> NamedViewCache::Find(const std::u16string& name) const {
  if (views_.empty()) return std::nullopt;
  if (views_[0].Name == name) return 0;
  const auto found = later_.find(name);
  if (found == later_.end()) return std::nullopt;
  return found->second;
}

void NamedViewCache::push_back(const CameraRecord& view) {
  views_.push_back(view);
  if (views_.size() > 1) later_.emplace(view.Name, views_.size() - 1);
}

void NamedViewCache::Overwrite(std::size_t index, const CameraRecord& view) {
  const bool renamed = views_[index].Name != view.Name;
  views_[index] = view;
  // The sync overwrites a later entry only with a view of its own name; any
  // other change of name is rare enough to rebuild the index for it.
  if (renamed && index > 0) Rebuild();
}

void NamedViewCache::SetActive(const CameraRecord& camera) {
  if (views_.empty()) {
    push_back(camera);
  } else {
    views_[0] = camera;
  }
}

void NamedViewCache::clear() {
  views_.clear();
  later_.clear();
}

void NamedViewCache::Rebuild() {
  later_.clear();
  for (std::size_t i = 1; i < views_.size(); ++i) later_.emplace(views_[i].Name, i);
}

}  // namespace tarnwick
