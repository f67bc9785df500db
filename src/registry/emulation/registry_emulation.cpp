#include "registry/emulation/registry_emulation.h"

#include <algorithm>
#include <cstring>

#include "common/utf8.h"

namespace zub {
namespace {

std::u16string_view view_of(const char16_t* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

// A name the stand-ins can store: one line of valid UTF-16.
bool storable_name(std::u16string_view name) {
  if (name.find_first_of(u"\r\n") != std::u16string_view::npos) return false;
  return utf16_to_utf8_strict(name).has_value();
}

std::optional<std::vector<std::u16string>> parse_sub_key(const char16_t* sub_key) {
  auto path = split_key_path(view_of(sub_key));
  if (!path) return std::nullopt;
  for (const auto& name : *path) {
    if (!storable_name(name)) return std::nullopt;
  }
  return path;
}

std::vector<std::u16string> joined(const std::vector<std::u16string>& base,
                                   const std::vector<std::u16string>& rest) {
  std::vector<std::u16string> path = base;
  path.insert(path.end(), rest.begin(), rest.end());
  return path;
}

// The path as the tree spells it, so that a handle carries the creation case.
std::vector<std::u16string> stored_spelling(const RegistryTree& tree,
                                            const std::vector<std::u16string>& path) {
  std::vector<std::u16string> spelled;
  const RegistryTreeKey* key = &tree.root();
  for (const auto& name : path) {
    key = key->child(name);
    if (key == nullptr) return path;
    spelled.push_back(key->name());
  }
  return spelled;
}

bool is_root_handle(RawKey handle, Hive& hive) {
  for (const Hive candidate : {Hive::ClassesRoot, Hive::CurrentUser, Hive::LocalMachine}) {
    if (handle == raw_key(candidate)) {
      hive = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace

bool EmulatedRegistry::resolve(RawKey handle, OpenKey& key) {
  Hive hive{};
  if (is_root_handle(handle, hive)) {
    key = OpenKey{hive, {}, 0xFFFFFFFFu};
    return true;
  }
  const auto it = handles_.find(handle);
  if (it == handles_.end()) {
    ++invalid_handle_uses_;
    return false;
  }
  key = it->second;
  return true;
}

RawKey EmulatedRegistry::add_handle(OpenKey key) {
  const RawKey handle = next_handle_;
  next_handle_ += 4;
  handles_.emplace(handle, std::move(key));
  return handle;
}

OsError EmulatedRegistry::resolve_sub_key(RawKey parent, const char16_t* sub_key,
                                           const RawKey* result, OpenKey& base,
                                           std::vector<std::u16string>& path) {
  if (!resolve(parent, base)) return kErrorInvalidHandle;
  if (result == nullptr) return kErrorInvalidParameter;
  const auto sub_path = parse_sub_key(sub_key);
  if (!sub_path) return kErrorBadPathname;
  path = joined(base.path, *sub_path);
  return kErrorSuccess;
}

OsError EmulatedRegistry::hand_out_key(RawKey parent, const char16_t* sub_key,
                                       std::uint32_t access, RawKey* result, KeyFinder find) {
  std::lock_guard lock(mutex_);
  OpenKey base;
  std::vector<std::u16string> path;
  if (const OsError status = resolve_sub_key(parent, sub_key, result, base, path);
      status != kErrorSuccess) {
    return status;
  }
  std::vector<std::u16string> spelled;
  if (const OsError status = (this->*find)(base, path, access, spelled); status != kErrorSuccess) {
    return status;
  }
  *result = add_handle(OpenKey{base.hive, std::move(spelled), access});
  return kErrorSuccess;
}

OsError EmulatedRegistry::find_existing(const OpenKey& base,
                                        const std::vector<std::u16string>& path,
                                        std::uint32_t access,
                                        std::vector<std::u16string>& spelled) {
  OsError status = read_hive(base.hive, [&](const RegistryTree& tree) {
    if (tree.find(base.path) == nullptr) return kErrorKeyDeleted;
    if (tree.find(path) == nullptr) return kErrorFileNotFound;
    spelled = stored_spelling(tree, path);
    return kErrorSuccess;
  });
  if (status == kErrorSuccess && (access & kWriteAccessMask) != 0) {
    status = check_writable(base.hive);
  }
  return status;
}

OsError EmulatedRegistry::find_or_create(const OpenKey& base,
                                         const std::vector<std::u16string>& path,
                                         std::uint32_t access,
                                         std::vector<std::u16string>& spelled) {
  bool exists = false;
  const OsError status = read_hive(base.hive, [&](const RegistryTree& tree) {
    if (tree.find(base.path) == nullptr) return kErrorKeyDeleted;
    exists = tree.find(path) != nullptr;
    if (exists) spelled = stored_spelling(tree, path);
    return kErrorSuccess;
  });
  if (status != kErrorSuccess) return status;

  if (exists) return (access & kWriteAccessMask) != 0 ? check_writable(base.hive) : kErrorSuccess;
  if ((base.access & kKeyCreateSubKey) == 0) return kErrorAccessDenied;
  return change_hive(base.hive, [&](RegistryTree& tree, bool& changed) {
    if (tree.find(base.path) == nullptr) return kErrorKeyDeleted;
    tree.create(path, changed);
    spelled = stored_spelling(tree, path);
    return kErrorSuccess;
  });
}

OsError EmulatedRegistry::open_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                                   RawKey* result) {
  return hand_out_key(parent, sub_key, access, result, &EmulatedRegistry::find_existing);
}

OsError EmulatedRegistry::create_key(RawKey parent, const char16_t* sub_key,
                                     std::uint32_t access, RawKey* result) {
  return hand_out_key(parent, sub_key, access, result, &EmulatedRegistry::find_or_create);
}

OsError EmulatedRegistry::query_value(RawKey key, const char16_t* name, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* data_size) {
  std::lock_guard lock(mutex_);
  OpenKey open;
  if (!resolve(key, open)) return kErrorInvalidHandle;
  if ((open.access & kKeyQueryValue) == 0) return kErrorAccessDenied;
  if (data != nullptr && data_size == nullptr) return kErrorInvalidParameter;

  return read_hive(open.hive, [&](const RegistryTree& tree) {
    const RegistryTreeKey* found = tree.find(open.path);
    if (found == nullptr) return kErrorKeyDeleted;
    const RegistryValue* value = found->value(view_of(name));
    if (value == nullptr) return kErrorFileNotFound;
    // Values are limited to what a 32-bit byte count can say.
    const auto size = static_cast<std::uint32_t>(value->data.size());
    if (type != nullptr) *type = value->type;
    if (data == nullptr) {
      if (data_size != nullptr) *data_size = size;
      return kErrorSuccess;
    }
    if (*data_size < size) {
      *data_size = size;
      return kErrorMoreData;
    }
    if (size != 0) std::memcpy(data, value->data.data(), size);
    *data_size = size;
    return kErrorSuccess;
  });
}

OsError EmulatedRegistry::set_value(RawKey key, const char16_t* name, std::uint32_t type,
                                    const std::uint8_t* data, std::uint32_t data_size) {
  std::lock_guard lock(mutex_);
  OpenKey open;
  if (!resolve(key, open)) return kErrorInvalidHandle;
  if ((open.access & kKeySetValue) == 0) return kErrorAccessDenied;
  const std::u16string_view value_name = view_of(name);
  if (!storable_name(value_name)) return kErrorInvalidParameter;
  if (data == nullptr && data_size != 0) return kErrorInvalidParameter;

  std::vector<std::uint8_t> bytes(data, data + data_size);
  return change_hive(open.hive, [&](RegistryTree& tree, bool& changed) {
    RegistryTreeKey* found = tree.find(open.path);
    if (found == nullptr) return kErrorKeyDeleted;
    changed = found->set_value(value_name, type, std::move(bytes));
    return kErrorSuccess;
  });
}

OsError EmulatedRegistry::delete_tree(RawKey key, const char16_t* sub_key) {
  std::lock_guard lock(mutex_);
  OpenKey open;
  if (!resolve(key, open)) return kErrorInvalidHandle;
  const auto sub_path = parse_sub_key(sub_key);
  if (!sub_path) return kErrorBadPathname;
  const bool itself = sub_path->empty();
  // Deleting the key itself needs DELETE on its handle; a root key cannot be deleted. A
  // sub-key is judged by its own rights, which here are those of the root key's storage.
  if (itself && (open.path.empty() || (open.access & kDelete) == 0)) return kErrorAccessDenied;

  const auto path = joined(open.path, *sub_path);
  // RegDeleteTreeW opens the key before it deletes anything: a missing key is 2 whether or not
  // this process may write the root key.
  const OsError found = read_hive(open.hive, [&](const RegistryTree& tree) {
    if (tree.find(open.path) == nullptr) return kErrorKeyDeleted;
    return tree.find(path) == nullptr ? kErrorFileNotFound : kErrorSuccess;
  });
  if (found != kErrorSuccess) return found;
  return change_hive(open.hive, [&](RegistryTree& tree, bool& changed) {
    if (tree.find(open.path) == nullptr) return kErrorKeyDeleted;
    if (!tree.remove(path)) return kErrorFileNotFound;
    changed = true;
    return kErrorSuccess;
  });
}

OsError EmulatedRegistry::close_key(RawKey key) {
  std::lock_guard lock(mutex_);
  Hive hive{};
  if (is_root_handle(key, hive)) return kErrorSuccess;
  if (handles_.erase(key) == 0) {
    ++invalid_handle_uses_;
    return kErrorInvalidHandle;
  }
  return kErrorSuccess;
}

std::size_t EmulatedRegistry::open_handle_count() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

std::size_t EmulatedRegistry::invalid_handle_uses() const {
  std::lock_guard lock(mutex_);
  return invalid_handle_uses_;
}

}  // namespace zub
