#pragma once

// An in-memory registry for tests: behaves like the Windows registry in what the launcher
// relies on (see registry_emulation.h), records every call, and fails any call on request.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/emulation/registry_emulation.h"

namespace zub {

enum class RegistryOp { OpenKey, CreateKey, QueryValue, SetValue, DeleteTree, CloseKey };

// One call as it was made. `name` is the sub-key path (open, create, delete) or the value
// name (query, set); `key` the parent or key handle.
struct RegistryCall {
  RegistryOp op{};
  RawKey key = 0;
  std::u16string name{};
  bool name_is_null = false;
  std::uint32_t access = 0;           // open, create
  std::uint32_t type = 0;             // set
  std::vector<std::uint8_t> data{};   // set
  bool with_data = false;             // query: a buffer was passed
  std::uint32_t data_size = 0;        // query: the byte count passed in; set: cbData
  RawKey result = 0;                  // open, create: the handle returned on success
  OsError status = 0;
};

class MemoryRegistry : public EmulatedRegistry {
 public:
  MemoryRegistry();

  // --- Content, for setting up and checking, without going through handles. Paths are text
  // with "\" separators, names are text; the empty name is the default value.
  void add_key(Hive hive, std::string_view path);
  void put_value(Hive hive, std::string_view path, std::string_view name, std::uint32_t type,
                 std::vector<std::uint8_t> data);
  // REG_SZ holding the text and its terminator, as the system writes it.
  void put_string(Hive hive, std::string_view path, std::string_view name,
                  std::string_view text);
  bool key_exists(Hive hive, std::string_view path) const;
  std::optional<RegistryValue> value(Hive hive, std::string_view path,
                                     std::string_view name) const;
  // The key's name and its sub-keys' names as created, for case checks.
  std::optional<std::u16string> key_spelling(Hive hive, std::string_view path) const;
  void remove_key(Hive hive, std::string_view path);

  // --- Refused writes: a root key that this "user" may not change (like HKEY_LOCAL_MACHINE
  // without administrative rights). Opening for writing and every change give 5.
  void set_writable(Hive hive, bool writable);

  // --- Failures on request. The next `times` calls of `op` (every call for times < 0) whose
  // name matches (case-insensitively; any name when `name` is empty) return `status` without
  // doing anything. Rules are tried in the order they were added.
  void fail(RegistryOp op, OsError status, std::optional<std::string> name = std::nullopt,
            int times = 1);

  // Runs before each call is carried out (after it was recorded), e.g. to change a value
  // between the two queries of a read.
  std::function<void(MemoryRegistry&, const RegistryCall&)> before_call;

  const std::vector<RegistryCall>& calls() const { return calls_; }
  std::vector<RegistryCall> calls_of(RegistryOp op) const;
  void clear_calls() { calls_.clear(); }

  OsError open_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                   RawKey* result) override;
  OsError create_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                     RawKey* result) override;
  OsError query_value(RawKey key, const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* data_size) override;
  OsError set_value(RawKey key, const char16_t* name, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t data_size) override;
  OsError delete_tree(RawKey key, const char16_t* sub_key) override;
  OsError close_key(RawKey key) override;

 protected:
  OsError read_hive(Hive hive, const Reader& read) override;
  OsError change_hive(Hive hive, const Changer& change) override;
  OsError check_writable(Hive hive) override;

 private:
  struct FailureRule {
    RegistryOp op;
    OsError status;
    std::optional<std::u16string> folded_name;
    int remaining;
  };

  RegistryTree& tree(Hive hive);
  const RegistryTree& tree(Hive hive) const;
  // Records the call, runs the hook, and answers an injected failure if one applies.
  std::optional<OsError> begin(RegistryCall call);
  OsError finish(OsError status);

  RegistryTree classes_root_;
  RegistryTree current_user_;
  RegistryTree local_machine_;
  bool writable_[3] = {true, true, true};
  std::vector<FailureRule> rules_;
  std::vector<RegistryCall> calls_;
};

}  // namespace zub
