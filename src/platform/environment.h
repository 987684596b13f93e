// The two places the exchange folder can come from: an environment variable
// and a string value of the user's registry. POSIX builds keep a small store
// in place of the registry that tests fill.
#pragma once

#include <cstddef>
#include <string>

namespace tarnwick {

// Reads an environment variable; false when it is not set.
bool ReadEnvironmentVariable(const std::u16string& name, std::u16string& value);

// Reads the raw data of a value under HKEY_CURRENT_USER\key (KEY_READ) into a
// buffer of max_bytes bytes; false when the key cannot be opened, the value is
// missing or its data is larger than the buffer. The data is returned as code
// units (an odd last byte is dropped); the terminating NUL is part of it.
bool ReadUserRegistryValue(const std::u16string& key, const std::u16string& value_name,
                           std::size_t max_bytes, std::u16string& data);

// POSIX builds only: the store that stands in for the registry.
void SetFakeRegistryValue(const std::u16string& key, const std::u16string& value_name,
                          const std::u16string& data);
// POSIX builds only: empties that store.
void ClearFakeRegistry();

}  // namespace tarnwick
