#pragma once

// A registry around another one (the in-memory registry, the hive files, any RegistryApi): hands
// each call on to it, records the call with its result, and fails any call on request.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "registry/registry_api.h"

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

class RecordingRegistry : public RegistryApi {
 public:
  explicit RecordingRegistry(RegistryApi& backend) : backend_(backend) {}
  RecordingRegistry(const RecordingRegistry&) = delete;
  RecordingRegistry& operator=(const RecordingRegistry&) = delete;

  // --- Failures on request. The next `times` calls of `op` (every call for times < 0) whose
  // name matches (case-insensitively; any name when `name` is empty) return `status` without
  // reaching the backend. Rules are tried in the order they were added. An injected failure of
  // a close still closes the handle, as RegCloseKey's status changes nothing for the caller.
  void fail(RegistryOp op, OsError status, std::optional<std::string> name = std::nullopt,
            int times = 1);

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
  // Runs before each call is carried out, after it was recorded.
  virtual void before(const RegistryCall& call) { (void)call; }

 private:
  struct FailureRule {
    RegistryOp op;
    OsError status;
    std::optional<std::u16string> folded_name;
    int remaining;
  };

  // Records the call, runs the hook, and answers an injected failure if one applies.
  std::optional<OsError> begin(RegistryCall call);
  OsError finish(OsError status);

  RegistryApi& backend_;
  std::vector<FailureRule> rules_;
  std::vector<RegistryCall> calls_;
};

}  // namespace zub
