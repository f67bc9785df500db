// Entry point: wWinMain on Windows (GUI subsystem), main elsewhere.

#include <string>
#include <string_view>
#include <vector>

#include "frontend/entry.h"

#ifdef _WIN32
#include <windows.h>

#include "frontend/command_line.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const auto* command_line = reinterpret_cast<const char16_t*>(GetCommandLineW());
  const std::vector<std::string> words =
      zub::program_arguments(command_line, zub::system_executable_path());
  const std::vector<std::string_view> args(words.begin(), words.end());
  zub::launcher_main(args);
}
#else
int main(int argc, char** argv) {
  // Views of the arguments where the kernel put them: a command line may hold megabytes, and
  // copying it would be most of what a refused run costs.
  const std::vector<std::string_view> args(argv, argv + argc);
  zub::launcher_main(args);
}
#endif
