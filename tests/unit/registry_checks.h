#pragma once

// Checks over the calls an in-memory registry recorded, and registry data built by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "memory_registry.h"

namespace zub::testing {

inline std::vector<std::uint8_t> bytes_of(std::initializer_list<int> list) {
  std::vector<std::uint8_t> bytes;
  for (int b : list) bytes.push_back(static_cast<std::uint8_t>(b));
  return bytes;
}

// The units little-endian, without a terminator.
inline std::vector<std::uint8_t> utf16_bytes(std::u16string_view units) {
  std::vector<std::uint8_t> bytes;
  for (char16_t u : units) {
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return bytes;
}

// Every key handle that an open or create returned was closed exactly once.
inline void expect_all_keys_closed(const MemoryRegistry& registry) {
  std::vector<RawKey> opened;
  std::vector<RawKey> closed;
  for (const RegistryCall& call : registry.calls()) {
    const bool opens = call.op == RegistryOp::OpenKey || call.op == RegistryOp::CreateKey;
    if (opens && call.status == 0) opened.push_back(call.result);
    if (call.op == RegistryOp::CloseKey) closed.push_back(call.key);
  }
  std::sort(opened.begin(), opened.end());
  std::sort(closed.begin(), closed.end());
  EXPECT_EQ(opened, closed) << "every opened key is closed exactly once";
}

// The access masks asked for by the open or create calls of a sub-key path, in call order.
inline std::vector<std::uint32_t> access_of(const MemoryRegistry& registry, RegistryOp op,
                                            std::u16string_view name) {
  std::vector<std::uint32_t> masks;
  for (const RegistryCall& call : registry.calls_of(op)) {
    if (call.name == name) masks.push_back(call.access);
  }
  return masks;
}

}  // namespace zub::testing
