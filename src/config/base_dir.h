#pragma once

// The base directory: the folder the sync client fills, stored as "NextCloudFolder" under
// SOFTWARE\varnelo\launcher (read from HKEY_CURRENT_USER, then HKEY_LOCAL_MACHINE; written
// to HKEY_CURRENT_USER only).

#include <string>
#include <string_view>

#include "common/result.h"
#include "messages/messages.h"
#include "registry/registry.h"

namespace zub {

inline constexpr std::string_view kLauncherKeyPath = "SOFTWARE\\varnelo\\launcher";
inline constexpr std::string_view kBaseDirValueName = "NextCloudFolder";

// The user's value if it can be read, else the machine's value or the machine's error.
Result<std::string, RegistryError> read_base_dir(Registry& registry);

// "-c": stores the folder text exactly as given.
Result<void, RegistryError> write_base_dir(Registry& registry, Messages& messages,
                                           std::string_view folder);

}  // namespace zub
