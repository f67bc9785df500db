#pragma once

// What the fuzz targets share: a check that stops the run with a report, so that libFuzzer
// keeps the input that broke a property, and the input split into a few texts.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (false)

namespace zub::fuzz {

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input cut at every line feed, at most `limit` pieces (the last takes the rest).
inline std::vector<std::string_view> split_lines(std::string_view text, std::size_t limit) {
  std::vector<std::string_view> pieces;
  while (pieces.size() + 1 < limit) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) break;
    pieces.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  pieces.push_back(text);
  return pieces;
}

}  // namespace zub::fuzz
