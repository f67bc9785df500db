#pragma once

// The six registry operations over RegistryTree storage, with the rules of the Windows registry
// that the launcher meets: handles, access rights, status codes. The storage decides where the
// trees live (in memory, in hive files) and whether a root key may be written.
//
// Rules, as on Windows:
//  - open and create give 2 for a missing key below an existing one, 161 for a malformed path;
//    any operation through a handle whose key has been deleted since gives 1018; an unknown or
//    closed handle gives 6;
//  - a handle opened without KEY_QUERY_VALUE refuses reads, one without KEY_SET_VALUE refuses
//    writes, one without KEY_CREATE_SUB_KEY refuses to create keys below it, one without DELETE
//    refuses to delete itself (all with 5); the root keys allow everything;
//  - opening a key for writing, creating a key and every change fail with 5 where the storage
//    does not let this process write that root key.
// Names that the stand-ins cannot store faithfully (a line break, an unpaired surrogate) are
// refused: 161 for key names, 87 for value names.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "registry/registry_api.h"
#include "registry/emulation/registry_tree.h"

namespace zub {

// Access bits the rules above look at.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kDelete = 0x10000;
// Everything that asks to change the key or what lies under it.
inline constexpr std::uint32_t kWriteAccessMask =
    0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000;

class EmulatedRegistry : public RegistryApi {
 public:
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

  // Handles opened and not yet closed.
  std::size_t open_handle_count() const;
  // Calls that named a handle which was never opened or is already closed (a double close,
  // a use after close).
  std::size_t invalid_handle_uses() const;

 protected:
  using Reader = std::function<OsError(const RegistryTree&)>;
  // Returns 0 after changing the tree, or a status; `changed` says whether it must be stored.
  using Changer = std::function<OsError(RegistryTree&, bool& changed)>;

  // Runs `read` on the current content of the root key; a status of the storage (1015 for a
  // store that cannot be read) is returned instead.
  virtual OsError read_hive(Hive hive, const Reader& read) = 0;
  // Runs `change` on the current content and stores the result when it changed, all under
  // exclusive access; 5 when this process may not write the root key.
  virtual OsError change_hive(Hive hive, const Changer& change) = 0;
  // 0 when a change of the root key could be stored now, else the status change_hive would
  // give.
  virtual OsError check_writable(Hive hive) = 0;

 private:
  struct OpenKey {
    Hive hive;
    std::vector<std::u16string> path;
    std::uint32_t access;
  };

  // The key a handle names: a root key (all access) or an open key. False for anything else.
  bool resolve(RawKey handle, OpenKey& key);
  // The parent's key and the full path of its sub key, for opening or creating it; the status
  // of a bad handle, result pointer or sub key otherwise.
  OsError resolve_sub_key(RawKey parent, const char16_t* sub_key, const RawKey* result,
                          OpenKey& base, std::vector<std::u16string>& path);
  RawKey add_handle(OpenKey key);

  // The stored spelling of the key at `path` under `base` that a new handle with `access` is to
  // name, or the status that refuses the handle.
  using KeyFinder = OsError (EmulatedRegistry::*)(const OpenKey& base,
                                                 const std::vector<std::u16string>& path,
                                                 std::uint32_t access,
                                                 std::vector<std::u16string>& spelled);
  // Open and create: resolves the parent and the sub key, asks `find` for the key and hands out
  // a handle for it in *result.
  OsError hand_out_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                       RawKey* result, KeyFinder find);
  // An existing key; a handle for writing needs a root key that this process may write.
  OsError find_existing(const OpenKey& base, const std::vector<std::u16string>& path,
                        std::uint32_t access, std::vector<std::u16string>& spelled);
  // The key, created with those above it when missing (which needs KEY_CREATE_SUB_KEY on the
  // parent's handle).
  OsError find_or_create(const OpenKey& base, const std::vector<std::u16string>& path,
                         std::uint32_t access, std::vector<std::u16string>& spelled);

  mutable std::mutex mutex_;
  std::map<RawKey, OpenKey> handles_;
  RawKey next_handle_ = 0x1000;
  std::size_t invalid_handle_uses_ = 0;
};

}  // namespace zub
