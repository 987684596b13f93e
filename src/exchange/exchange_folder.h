// The exchange folder that the host's plug-in and the bridge share: derived
// from APPDATA, or else from the registry value TempPath. Never created here.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The folder text, resolved once to a non-empty text and then cached; empty when neither source gives one.
std::u16string GetExchangeFolder();

// The folder, a backslash unless the folder is empty or already ends with one, then the name.
std::u16string MakeExchangeFilePath(std::u16string_view name);

// The registry key (under HKEY_CURRENT_USER) whose value TempPath names the folder.
std::u16string RegistryKeyPath();

// Forgets the cached folder, so that tests can resolve it again.
void ResetExchangeFolderCache();

}  // namespace tarnwick
