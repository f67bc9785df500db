#pragma once

// The help screen: purpose, call, options, exit codes and the current configuration.

#include <string>
#include <string_view>

#include "messages/messages.h"
#include "registry/registry.h"

namespace zub {

// The help text for the program name (inserted unchanged) and a configuration report; ends
// with a line feed.
std::string help_text(std::string_view program_name, std::string_view config_report);

// Builds the configuration report first, then shows the help text with show_info.
void show_help(Registry& registry, Messages& messages, std::string_view program_name);

}  // namespace zub
