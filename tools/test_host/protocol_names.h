// The protocol's names and numbers as the Windows calls and the narration of
// the test tools take them.
#pragma once

#include <cstddef>
#include <string>

#include "protocol/protocol.h"

namespace tarnwick::test_host {

// A fixed name as the wide text of the Windows calls (UTF-16 on Windows).
template <std::size_t N>
const wchar_t* Wide(const protocol::FixedName<N>& name) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");
  return reinterpret_cast<const wchar_t*>(name.wide);
}

// A message number as text, for what the tools say.
inline std::string Number(std::uint32_t message) { return std::to_string(message); }

}  // namespace tarnwick::test_host
