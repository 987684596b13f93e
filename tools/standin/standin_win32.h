// What the parts of the D5Api.dll build share: its settings come from the
// environment of the process that loaded it.
#pragma once

#include <string>

namespace standin::host {

// An environment variable of the process; empty when unset.
std::wstring Environment(const wchar_t* name);

// An environment variable read as a decimal number; 0 when unset or not a number.
int EnvironmentNumber(const wchar_t* name);

}  // namespace standin::host
