#pragma once

// The six raw registry operations (RegOpenKeyExW, RegCreateKeyExW, RegQueryValueExW,
// RegSetValueExW, RegDeleteTreeW, RegCloseKey) behind one small interface. Each returns the
// Win32 status code: 0 for success, otherwise the platform's error code (2 missing key or
// value, 5 access denied, 234 more data, 1015 registry corrupt, ...).
//
// Implementations: advapi32/ (Windows) and hive_file/ (Linux, see hive_file_registry.h); the
// unit tests have an in-memory one (tests/unit/memory_registry.h).

#include <cstdint>

#include "common/windows_status.h"

namespace zub {

using RawKey = std::uintptr_t;

// The predefined root keys the launcher uses (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE). Named without the HKEY_ spelling because <windows.h> defines those
// as macros.
enum class Hive : std::uint32_t {
  ClassesRoot = 0x80000000,
  CurrentUser = 0x80000001,
  LocalMachine = 0x80000002,
};

// The handle value of a root key: the constant sign-extended to pointer width, as Windows
// defines these handles.
constexpr RawKey raw_key(Hive hive) {
  return static_cast<RawKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(hive)));
}

// Access rights (samDesired).
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

class RegistryApi {
 public:
  virtual ~RegistryApi() = default;

  // Opens an existing key; a missing key gives 2.
  virtual OsError open_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                           RawKey* result) = 0;
  // Opens the key, or creates it together with every missing key above it.
  virtual OsError create_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                             RawKey* result) = 0;
  // With data == nullptr reports the stored size in *data_size. With a buffer, fills at most
  // *data_size bytes (234 when the data does not fit), sets *type and the bytes written.
  // The empty name addresses the default value. type may be nullptr.
  virtual OsError query_value(RawKey key, const char16_t* name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* data_size) = 0;
  // Creates or replaces the value.
  virtual OsError set_value(RawKey key, const char16_t* name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t data_size) = 0;
  // Deletes the sub-key with all its values and sub-keys; the empty name deletes the open
  // key itself in the same way (its handle must still be closed).
  virtual OsError delete_tree(RawKey key, const char16_t* sub_key) = 0;
  virtual OsError close_key(RawKey key) = 0;
};

// The registry of this machine (or its stand-in on Linux). Lives as long as the process.
RegistryApi& system_registry();

}  // namespace zub
