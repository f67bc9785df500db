// Entry point: wWinMain on Windows (GUI subsystem), main elsewhere.

#include <string>
#include <vector>

#include "frontend/entry.h"

#ifdef _WIN32
#include <windows.h>

#include "frontend/command_line.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const auto* command_line = reinterpret_cast<const char16_t*>(GetCommandLineW());
  zub::launcher_main(zub::split_command_line(command_line));
}
#else
int main(int argc, char** argv) {
  zub::launcher_main(std::vector<std::string>(argv, argv + argc));
}
#endif
