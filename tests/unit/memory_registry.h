#pragma once

// The registry of the unit tests: the root keys in memory (MemoryHives), behaving like the
// Windows registry in what the launcher relies on, with every call recorded and any call failed
// on request (RecordingRegistry).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "memory_hives.h"
#include "recording_registry.h"

namespace zub {

namespace detail {
// A base, so that the storage is made before the recorder that is handed it.
struct MemoryRegistryStorage {
  MemoryHives hives;
};
}  // namespace detail

class MemoryRegistry : private detail::MemoryRegistryStorage, public RecordingRegistry {
 public:
  MemoryRegistry() : RecordingRegistry(hives) {}

  // --- Content, for setting up and checking (see MemoryHives).
  void add_key(Hive hive, std::string_view path) { hives.add_key(hive, path); }
  void put_value(Hive hive, std::string_view path, std::string_view name, std::uint32_t type,
                 std::vector<std::uint8_t> data) {
    hives.put_value(hive, path, name, type, std::move(data));
  }
  void put_string(Hive hive, std::string_view path, std::string_view name,
                  std::string_view text) {
    hives.put_string(hive, path, name, text);
  }
  bool key_exists(Hive hive, std::string_view path) const { return hives.key_exists(hive, path); }
  std::optional<RegistryValue> value(Hive hive, std::string_view path,
                                     std::string_view name) const {
    return hives.value(hive, path, name);
  }
  std::optional<std::u16string> key_spelling(Hive hive, std::string_view path) const {
    return hives.key_spelling(hive, path);
  }
  void remove_key(Hive hive, std::string_view path) { hives.remove_key(hive, path); }
  void set_writable(Hive hive, bool writable) { hives.set_writable(hive, writable); }

  // Handles opened and not yet closed; calls that named a handle never opened or already closed.
  std::size_t open_handle_count() const { return hives.open_handle_count(); }
  std::size_t invalid_handle_uses() const { return hives.invalid_handle_uses(); }

  // Runs before each call is carried out (after it was recorded), e.g. to change a value
  // between the two queries of a read.
  std::function<void(MemoryRegistry&, const RegistryCall&)> before_call;

 protected:
  void before(const RegistryCall& call) override {
    if (before_call) before_call(*this, call);
  }
};

}  // namespace zub
