#pragma once

// "-i": the three-line configuration report and the registration check. Both only read, and
// each reads the registry afresh.

#include <string>

#include "common/exit_code.h"
#include "registry/registry.h"

namespace zub {

std::string build_config_report(Registry& registry);
// 0, 2, 3, 4, 10 or 11.
ExitCode check_registration(Registry& registry);

}  // namespace zub
