#pragma once

// Registration of the launcher as the handler of "zubdms:" links: the default value of
// zubdms\shell\open\command under HKEY_CLASSES_ROOT.

#include <string>
#include <string_view>

#include "common/result.h"
#include "messages/messages.h"
#include "registry/registry.h"

namespace zub {

inline constexpr std::string_view kSchemeCommandKeyPath = "zubdms\\shell\\open\\command";

// The installation directory: the default value of SOFTWARE\varnelo\launcher under
// HKEY_LOCAL_MACHINE.
Result<std::string, RegistryError> read_install_dir(Registry& registry);

// "<dir>\varnelo.exe" "%1", the directory exactly as read.
std::string scheme_command(std::string_view install_dir);

// "-r"
Result<void, RegistryError> register_url_scheme(Registry& registry, Messages& messages);
// "-u"
Result<void, RegistryError> unregister_url_scheme(Registry& registry);

}  // namespace zub
