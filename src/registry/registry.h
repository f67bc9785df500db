#pragma once

// The registry layer: opens, creates and deletes keys, reads and writes string values, and turns
// every failure into a small closed set of error kinds. Written once over RegistryApi, so the
// same logic runs on the real registry, the Linux stand-in and the in-memory one of the tests.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/result.h"
#include "platform/unique_handle.h"
#include "platform/wide_string.h"
#include "registry/registry_api.h"

namespace zub {

// How a non-zero status code is classified, for keys and values alike.
enum class StatusKind { NotFound, PermissionDenied, Unknown };
StatusKind classify_status(OsError status);
// The category name of a status code in the detailed rendering ("NotFound", ...).
std::string_view status_category_name(OsError status);

// The error of a key operation. `path` is the path argument of the failed call.
struct KeyError {
  enum class Kind { NotFound, PermissionDenied, InvalidNul, Unknown };
  Kind kind = Kind::Unknown;
  std::string path;   // NotFound, PermissionDenied, Unknown
  OsError status = 0; // NotFound, PermissionDenied, Unknown
  NulError nul;       // InvalidNul

  static KeyError from_status(OsError status, std::string path);
};

// The error of a value operation.
struct ValueError {
  enum class Kind {
    NotFound,
    PermissionDenied,
    UnhandledType,
    InvalidNul,
    MissingNul,
    MissingMultiNul,
    InvalidUtf16,
    Unknown,
    BufferSize,
    InvalidBufferSize,
  };
  Kind kind = Kind::Unknown;
  std::string name;          // NotFound, PermissionDenied, Unknown, BufferSize
  OsError status = 0;        // NotFound, PermissionDenied, Unknown, BufferSize
  std::uint32_t type = 0;    // UnhandledType
  NulError nul;              // InvalidNul
  std::u16string units;      // MissingNul
  std::size_t size = 0;      // InvalidBufferSize

  static ValueError from_status(OsError status, std::string name);
};

// The two-kind error that the launcher's own actions see.
enum class RegistryError { Key, Value };

// "Error accessing registry key" / "Error accessing registry value".
std::string_view text(RegistryError error);
// "Provided path not found: <path>", ...
std::string text(const KeyError& error);
// The display text followed by the message text and number of the status, so that an
// administrator reads "The registry is corrupted. ..." for a hive file that does not parse:
// "<text> (<message>, status <code>)"; the display text alone for InvalidNul.
std::string text_with_status(const KeyError& error);
// One-line diagnostic forms, for fatal internal-error reports.
std::string describe(const KeyError& error);
std::string describe(const ValueError& error);
// The eight-line diagnostic form of a KeyError (kind, quoted path, status code with its
// category and message text).
std::string describe_detailed(const KeyError& error);

// The message text of a registry status code: FormatMessageW on Windows, a table of the
// Windows texts for the codes the Linux stand-in produces.
std::string registry_status_message(OsError status);

class Registry;

// An open key and the registry it was opened in, closed with RegCloseKey (whose status changes
// nothing for the caller).
struct RegistryKeyTraits {
  struct Handle {
    RegistryApi* api;
    RawKey key;
  };
  static Handle invalid() { return {nullptr, 0}; }
  static bool valid(const Handle& handle) { return handle.api != nullptr; }
  static OsError close(const Handle& handle) { return handle.api->close_key(handle.key); }
};

// An open key, owned by whoever opened it; closed exactly once, when released (also on
// every failure path). Move-only; a key moved from closes nothing.
class RegistryKey {
 public:
  Hive hive() const { return hive_; }
  // Path relative to the hive; for a key under an open key, the parent's path, "\" and the
  // sub-key path.
  const WideCString& path() const { return path_; }
  RawKey handle() const { return handle_.get().key; }

  // Closes now; the status is ignored.
  void close() { (void)handle_.reset(); }

 private:
  friend class Registry;
  RegistryKey(RegistryApi* api, Hive hive, WideCString path, RawKey handle)
      : hive_(hive), path_(std::move(path)), handle_(RegistryKeyTraits::Handle{api, handle}) {}

  Hive hive_;
  WideCString path_;
  UniqueHandle<RegistryKeyTraits> handle_;
};

class Registry {
 public:
  explicit Registry(RegistryApi& api) : api_(api) {}

  Result<RegistryKey, KeyError> open_key(Hive hive, std::string_view path, std::uint32_t access);
  Result<RegistryKey, KeyError> open_key(const RegistryKey& parent, std::string_view path,
                                         std::uint32_t access);
  Result<RegistryKey, KeyError> create_key(Hive hive, std::string_view path, std::uint32_t access);
  Result<RegistryKey, KeyError> create_key(const RegistryKey& parent, std::string_view path,
                                           std::uint32_t access);

  // REG_SZ: the units of `value` and its terminator.
  Result<void, ValueError> set_string_value(RegistryKey& key, std::string_view name,
                                            const WideCString& value);
  // Deletes the sub-key with everything under it; the empty name deletes `key` itself.
  Result<void, KeyError> delete_key_tree(RegistryKey& key, std::string_view sub_key);

  // Opens the key with KEY_READ, queries the size, then the data; only REG_SZ with a NUL
  // in its data is accepted, and the text ends at the first NUL. A value of more than 4 MiB
  // is refused after the size query.
  Result<std::string, RegistryError> read_string_value(Hive hive, std::string_view path,
                                                       std::string_view name);

 private:
  using KeyCall = OsError (RegistryApi::*)(RawKey, const char16_t*, std::uint32_t, RawKey*);
  // RegOpenKeyExW or RegCreateKeyExW for `path` under the hive, or under `parent` if given.
  Result<RegistryKey, KeyError> key_call(KeyCall call, Hive hive, const RegistryKey* parent,
                                         std::string_view path, std::uint32_t access);

  RegistryApi& api_;
};

}  // namespace zub
