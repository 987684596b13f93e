// The scenarios that host_sim.exe knows by name; scripts/demo.sh runs "demo".
#include <algorithm>

#include "host_sim/scenario.h"

namespace tarnwick::host_sim {

namespace {

struct BuiltIn {
  const char* name;
  const char* about;
  const char* script;
};

constexpr BuiltIn kBuiltIns[] = {
    {"demo", "the whole job: start-up export, camera, views and model sync, the host closes",
     R"(# The user opens the farmstead project in the host and asks for the renderer: the
# plug-in writes the exchange folder and starts Tarnwick.exe with the word cameraSync.
# Of the five lights one is switched off and one is an Area light: neither is sent.
renderer standin
write _model.cvm demo-model
write camera.cam demo-camera
write Views.cam demo-views
answer demo-update
start cameraSync
# The user asks for the saved views: a second Tarnwick.exe passes viewsSync on.
forward viewsSync
# The user fells two trees, rebuilds the east wall with a door, builds a shed, darkens
# the bricks and asks for a model sync: a second Tarnwick.exe passes ModelSync on.
forward ModelSync
# The user closes the host application: the bridge follows within a second.
close-host
wait-end 3000
)"},
    {"house", "the house sample: start-up with cameraSync, one model sync, the host closes",
     R"(folder C:\Users\u\AppData\Roaming
write _model.cvm sample _model.cvm
write camera.cam sample camera.cam
answer sample update_mod.sm
start cameraSync
post ModelSync
close-host
wait-end 3000
)"},
    {"old-model", "a model file of format version 6: the bridge refuses it",
     R"(write _model.cvm model-v6
start cameraSync
expect-box Error: D5 Render application!
wait-end 3000
)"},
    {"missing-model", "no model file in the exchange folder",
     R"(start cameraSync
expect-box Error: D5 Render application!
wait-end 3000
)"},
    {"no-renderer", "the renderer cannot be started",
     R"(env RENDERER_STANDIN_START_RESULT 1
env RENDERER_STANDIN_START_ERROR -3
write _model.cvm demo-model
start cameraSync
expect-box Error: missing D5 Render application!
wait-end 3000
)"},
};

}  // namespace

std::optional<std::string> BuiltInScenario(std::string_view name) {
  const auto it = std::find_if(std::begin(kBuiltIns), std::end(kBuiltIns),
                               [&](const BuiltIn& b) { return name == b.name; });
  if (it == std::end(kBuiltIns)) return std::nullopt;
  return std::string(it->script);
}

std::vector<std::pair<std::string, std::string>> BuiltInScenarios() {
  std::vector<std::pair<std::string, std::string>> list;
  for (const BuiltIn& b : kBuiltIns) list.emplace_back(b.name, b.about);
  return list;
}

}  // namespace tarnwick::host_sim
