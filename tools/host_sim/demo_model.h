// The host simulator's demonstration project, a small farmstead, as the host's
// plug-in would export it: the whole model, the model after an edit (as an
// incremental file), the current camera and the saved views.
#pragma once

#include <cstdint>
#include <string>

#include "container_writer/container_writer.h"

namespace tarnwick::host_sim {

// The project path that every demonstration file carries.
inline constexpr char16_t kDemoProject[] = u"C:\\Projects\\Farmstead.pro";

// The whole model: textured materials, lights of every kind, terrain, house,
// trees, lamps and a fence, and three saved views.
container_writer::Container DemoModel();

// The edit: two trees removed, the east wall rebuilt with a door, a shed added;
// the changed materials and all the lights are sent again.
container_writer::Container DemoUpdate();

// A tiny model of the given format version (the host's older plug-ins wrote 6).
container_writer::Container SmallModel(std::uint32_t format_version);

// "camera.cam": the host's current camera.
std::string DemoCameraText();

// "Views.cam": the saved views, one of them active.
std::string DemoViewsText();

// What a model holds, in the words the simulator prints.
std::string DescribeContainer(const container_writer::Container& container);

}  // namespace tarnwick::host_sim
