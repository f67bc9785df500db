// The in-process cost of checking and decoding a 1 MiB document link: the scan's link check
// run on its own, without process start. Prints one row per case: name, median nanoseconds,
// exit code (0 when the link was accepted).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/exit_code.h"
#include "document/document_url.h"
#include "messages/messages.h"

namespace {

// Takes the messages as the console would, and drops them.
class DiscardingUi final : public zub::UserInterface {
 public:
  void write_stdout(std::string_view bytes) override { shown += bytes.size(); }
  void write_stderr(std::string_view bytes) override { shown += bytes.size(); }
  bool message_box(std::string_view, std::string_view text, zub::MessageKind) override {
    shown += text.size();
    return true;
  }
  std::size_t shown = 0;
};

std::string repeated(std::string_view piece, std::size_t length) {
  std::string text;
  text.reserve(length + piece.size());
  while (text.size() + piece.size() <= length) text.append(piece);
  return text;
}

struct Case {
  const char* name;
  std::string link;
};

}  // namespace

int main() {
  constexpr std::size_t kMiB = 1024 * 1024;
  const std::string prefix = "zubdms:/";
  const std::vector<Case> cases = {
      {"no_scheme", std::string(kMiB, 'x')},
      {"bad_utf8_at_end", prefix + std::string(kMiB - prefix.size() - 1, 'a') + "\xff"},
      {"escapes_bad_utf8_at_end", prefix + repeated("%2E%2E%2F", kMiB - prefix.size() - 3) + "%FF"},
      {"escapes_accepted", prefix + repeated("%C3%A4", kMiB - prefix.size())},
  };

  DiscardingUi ui;
  zub::Messages messages(ui, true);
  constexpr int kRepetitions = 41;
  for (const Case& c : cases) {
    std::vector<long long> times;
    unsigned code = 0;
    for (int i = 0; i < kRepetitions; ++i) {
      const auto start = std::chrono::steady_clock::now();
      auto relative = zub::parse_document_url(c.link, messages);
      const auto stop = std::chrono::steady_clock::now();
      code = relative.has_error() ? zub::to_number(relative.error()) : 0;
      times.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(stop - start).count());
    }
    std::nth_element(times.begin(), times.begin() + kRepetitions / 2, times.end());
    std::printf("%s %zu %lld %u\n", c.name, c.link.size(), times[kRepetitions / 2], code);
  }
  return ui.shown == 0 ? 1 : 0;  // every refusal must have shown its message
}
