#include "testlib/crafted_models.h"

#include "container_writer/container_writer.h"

namespace tarnwick::testing {

std::string UnalignedMixedModel(const std::u16string& cameras) {
  namespace cw = container_writer;
  cw::ModelBody body;
  body.materials = {u"MaterialID_Name [M]"};
  body.lights = {u"LightSolidID [3]"};
  const cw::Part indexed{u"i", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {1, 2, 3}, {4, 5, 6},
                         {0, 1, 2, 2, 1, 0}, {9}, false};
  const cw::Part plain{u"u", {0, 0, 0, 1, 1, 1, 2, 2, 2, 3}, {}, {}, {}, {}, false};
  body.solids = {cw::Solid{1, 5, u"s", {indexed, plain}, false},
                 cw::Solid{2, 6, u"t", {plain, indexed}, false}};
  body.cameras = cameras;
  cw::Container container = cw::ModelFile(u"P", body);
  container.align_arrays = false;
  return cw::BuildContainer(container);
}

}  // namespace tarnwick::testing
