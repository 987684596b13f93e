// Comparing the stand-in's journal with expected calls: JSON lines as the
// sample files hold them, numbers compared as 32-bit floats.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "testlib/json.h"
#include "testlib/samples.h"

namespace tarnwick::testing {

// One JSON object per non-blank line; a line that does not parse is left out.
std::vector<Json> ParseJsonLines(std::string_view text);

// Whether a recorded call equals an expected one: the same members except the
// recorded "session", strings exact, numbers equal as 32-bit floats within
// max_ulps units in the last place. why receives the first difference.
bool CallMatches(const Json& actual, const Json& expected, int max_ulps, std::string* why);

// Whether two numbers are equal as 32-bit floats within max_ulps (+0 equals -0).
bool FloatsNear(double a, double b, int max_ulps);

// The call keys (CallKeys) of sending one camera, and of sending one saved view.
inline const std::vector<std::string> kCameraCallKeys = {
    "D5API_SetCameraFloatProperty camera_near_clip_plane", "D5API_SendSimpleCamera",
    "D5API_SendCurrentActiveCamera"};
inline const std::vector<std::string> kViewCallKeys = {
    "D5API_AddSceneView", "D5API_SetCameraFloatProperty camera_near_clip_plane",
    "D5API_SendSceneViews"};

// The keys of several parts, one after the other.
std::vector<std::string> ConcatKeys(std::initializer_list<std::vector<std::string>> parts);

// "fn" of each call, followed by " " and its "prop" when it has one.
std::vector<std::string> CallKeys(const std::vector<Json>& calls);

// The first call that sets the property, or null.
const Json* FindProperty(const std::vector<Json>& calls, const std::string& prop);

// The numbers of a JSON array as floats.
std::vector<float> FloatsOf(const Json& array);

}  // namespace tarnwick::testing
