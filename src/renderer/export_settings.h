// What the exporters need from outside a record: where the exchange folder is
// (texture and IES paths are built from it) and whether the host asked for
// colours only.
#pragma once

#include <string>

namespace tarnwick {

// Settings of one export, passed by the caller; the exporters keep no globals.
struct ExportSettings {
  std::u16string exchange_folder;  // as resolved, not ending in "\" as a rule
  bool color_mode = false;         // the request word was "colorMode": no texture paths
};

}  // namespace tarnwick
