// Small models for the readers' tests, described once.
#pragma once

#include <string>

namespace tarnwick::testing {

// A model file of every record kind with unaligned arrays: a material, a light,
// two solids of an indexed part (9 floats, 6 indices) and a part without an
// index list (10 floats), and the camera block; for tests that cut it anywhere.
std::string UnalignedMixedModel(const std::u16string& cameras);

}  // namespace tarnwick::testing
