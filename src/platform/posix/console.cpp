// Linux stand-in for the console and the message box. "Started from a console" means a
// standard stream is a terminal, or there is no graphical session in which a notice could be
// shown. The message box is a zenity dialog.

#include "platform/console.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <type_traits>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/posix/file_descriptor.h"
#include "platform/unique_handle.h"

extern char** environ;

namespace zub {
namespace posix {
namespace {

bool is_set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// The zenity options that give a dialog of the kind. A debug notice has no icon: an empty
// icon name leaves the dialog's image empty.
std::vector<std::string> kind_options(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error: return {"--error"};
    case MessageKind::Information: return {"--info"};
    case MessageKind::Debug: return {"--info", "--icon-name="};
  }
  return {"--info"};
}

// Only "closed with OK" proves that the dialog was seen: zenity also ends with 1 when GTK cannot
// open the display, and a dialog closed another way costs no more than a spare line on stderr.
bool dialog_was_shown(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

// posix_spawn's file actions and attributes: objects that their init call fills where they are
// made, released with their destroy call.
template <class Object, int (*Destroy)(Object*)>
struct SpawnObjectTraits {
  using Handle = Object*;
  static Handle invalid() { return nullptr; }
  static bool valid(Handle object) { return object != nullptr; }
  static int close(Handle object) {
    const int status = Destroy(object);
    delete object;
    return status;
  }
};
using SpawnFileActions = UniqueHandle<
    SpawnObjectTraits<posix_spawn_file_actions_t, posix_spawn_file_actions_destroy>>;
using SpawnAttributes = UniqueHandle<SpawnObjectTraits<posix_spawnattr_t, posix_spawnattr_destroy>>;

// A new object of the owner's kind, initialised; none when init fails.
template <class Owner>
Owner make_spawn_object(int (*init)(typename Owner::Handle)) {
  Owner owner(new std::remove_pointer_t<typename Owner::Handle>{});
  if (init(owner.get()) != 0) delete owner.release();
  return owner;
}

// A started child process, waited for when released: its wait status, or none when it could not
// be waited for.
struct ChildProcessTraits {
  using Handle = pid_t;
  static Handle invalid() { return -1; }
  static bool valid(Handle child) { return child > 0; }
  static std::optional<int> close(Handle child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
      if (errno != EINTR) return std::nullopt;
    }
    return status;
  }
};
using ChildProcess = UniqueHandle<ChildProcessTraits>;

// Runs zenity with the text as one argument (never through a shell) and waits for the user to
// close the dialog. False when zenity could not be run or could not show the dialog.
bool run_zenity(std::string_view caption, std::string_view text, MessageKind kind) {
  std::vector<std::string> words = {"zenity"};
  for (auto& option : kind_options(kind)) words.push_back(std::move(option));
  words.push_back("--no-markup");
  words.push_back("--title=" + std::string(caption));
  // Joined to its option so that a text beginning with "-" is never read as an option. An
  // embedded NUL ends the text, as it does for MessageBoxW.
  words.push_back("--text=" + std::string(text));
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const auto actions = make_spawn_object<SpawnFileActions>(posix_spawn_file_actions_init);
  const auto attributes = make_spawn_object<SpawnAttributes>(posix_spawnattr_init);
  if (!actions.valid() || !attributes.valid()) return false;
  // The dialog's own output (GTK warnings and the like) must not mix with the launcher's lines.
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    const int flags = fd == STDIN_FILENO ? O_RDONLY : O_WRONLY;
    if (posix_spawn_file_actions_addopen(actions.get(), fd, "/dev/null", flags, 0) != 0) {
      return false;
    }
  }
  // The launcher ignores SIGPIPE; the dialog gets the default back.
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  if (posix_spawnattr_setsigdefault(attributes.get(), &defaults) != 0 ||
      posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGDEF) != 0) {
    return false;
  }

  pid_t started = 0;
  if (posix_spawnp(&started, "zenity", actions.get(), attributes.get(), argv.data(), environ) !=
      0) {
    return false;
  }
  ChildProcess child(started);
  const std::optional<int> status = child.reset();
  return status && dialog_was_shown(*status);
}

class PosixUserInterface final : public UserInterface {
 public:
  PosixUserInterface() {
    // A console line that cannot be written (closed pipe) must not end the run: the exit code
    // is the caller's only result.
    std::signal(SIGPIPE, SIG_IGN);
  }

  // A stream that cannot take the bytes (closed pipe, full disk) is given up on.
  void write_stdout(std::string_view bytes) override { (void)write_all(STDOUT_FILENO, bytes); }
  void write_stderr(std::string_view bytes) override { (void)write_all(STDERR_FILENO, bytes); }

  bool message_box(std::string_view caption, std::string_view text, MessageKind kind) override {
    if (run_zenity(caption, text, kind)) return true;
    // No dialog could be shown: the message must not be lost.
    (void)write_all(STDERR_FILENO, console_line(text));
    return false;
  }
};

}  // namespace
}  // namespace posix

bool attach_parent_console() {
  const bool terminal = ::isatty(STDIN_FILENO) == 1 || ::isatty(STDOUT_FILENO) == 1 ||
                        ::isatty(STDERR_FILENO) == 1;
  const bool graphical_session = posix::is_set("DISPLAY") || posix::is_set("WAYLAND_DISPLAY");
  return terminal || !graphical_session;
}

UserInterface& system_user_interface() {
  static posix::PosixUserInterface ui;
  return ui;
}

}  // namespace zub
