#pragma once

// The argument scan and the dispatch of the one action of a run.

#include <span>
#include <string>
#include <string_view>

#include "common/exit_code.h"
#include "common/result.h"
#include "messages/messages.h"
#include "logging/event_log.h"
#include "registry/registry.h"

namespace zub {

// What the scan found; lives for one call of run().
struct ParsedArguments {
  bool help_requested = false;
  bool show_config = false;
  bool register_scheme = false;
  bool unregister_scheme = false;
  bool register_log_source = false;
  bool unregister_log_source = false;
  bool set_base_dir = false;
  std::string base_dir_value;
  bool base_dir_value_missing = false;
  std::string_view url_text;  // the link's argument itself
  std::string relative_path;
  bool url_seen = false;
  bool extra_argument = false;
};

// The actions the dispatch can choose; the launcher's own composition lives in
// launcher_actions.h, tests drive the dispatch with fakes.
class Actions {
 public:
  virtual ~Actions() = default;
  virtual void show_help(std::string_view program_name) = 0;
  // The configuration report, shown with show_info; returns the registration check's code.
  virtual ExitCode show_configuration() = 0;
  virtual ExitCode open_document(std::string_view url_text, std::string_view relative_path) = 0;
  virtual Result<void, RegistryError> write_base_dir(std::string_view folder) = 0;
  virtual Result<void, RegistryError> register_url_scheme() = 0;
  virtual Result<void, RegistryError> unregister_url_scheme() = 0;
  virtual Result<void, EventLogError> register_event_source(std::string_view source_name) = 0;
  virtual Result<void, KeyError> deregister_event_source(std::string_view source_name) = 0;
};

// Scans `args` (element 0 is the program name; the list may be empty), chooses one action by
// the fixed precedence, shows its outcome and returns the exit code of the run.
ExitCode run(std::span<const std::string_view> args, Messages& messages, Actions& actions);

}  // namespace zub
