#include "memory_registry.h"

#include <cstdlib>

#include "common/utf8.h"

namespace zub {
namespace {

std::size_t hive_index(Hive hive) {
  switch (hive) {
    case Hive::ClassesRoot:
      return 0;
    case Hive::CurrentUser:
      return 1;
    case Hive::LocalMachine:
      return 2;
  }
  std::abort();
}

std::vector<std::u16string> path_of(std::string_view path) {
  auto components = split_key_path(utf8_to_utf16(path));
  if (!components) std::abort();  // a test set-up with a malformed path
  return std::move(*components);
}

std::u16string text_of(const char16_t* text) { return text == nullptr ? u"" : text; }

}  // namespace

MemoryRegistry::MemoryRegistry() { add_builtin_keys(Hive::LocalMachine, local_machine_); }

RegistryTree& MemoryRegistry::tree(Hive hive) {
  switch (hive) {
    case Hive::ClassesRoot:
      return classes_root_;
    case Hive::CurrentUser:
      return current_user_;
    case Hive::LocalMachine:
      return local_machine_;
  }
  std::abort();
}

const RegistryTree& MemoryRegistry::tree(Hive hive) const {
  return const_cast<MemoryRegistry*>(this)->tree(hive);
}

void MemoryRegistry::add_key(Hive hive, std::string_view path) {
  bool created = false;
  tree(hive).create(path_of(path), created);
}

void MemoryRegistry::put_value(Hive hive, std::string_view path, std::string_view name,
                               std::uint32_t type, std::vector<std::uint8_t> data) {
  bool created = false;
  tree(hive).create(path_of(path), created).set_value(utf8_to_utf16(name), type, std::move(data));
}

void MemoryRegistry::put_string(Hive hive, std::string_view path, std::string_view name,
                                std::string_view text) {
  put_value(hive, path, name, kRegSz, reg_sz_bytes(utf8_to_utf16(text)));
}

bool MemoryRegistry::key_exists(Hive hive, std::string_view path) const {
  return tree(hive).find(path_of(path)) != nullptr;
}

std::optional<RegistryValue> MemoryRegistry::value(Hive hive, std::string_view path,
                                                   std::string_view name) const {
  const RegistryTreeKey* key = tree(hive).find(path_of(path));
  if (key == nullptr) return std::nullopt;
  const RegistryValue* found = key->value(utf8_to_utf16(name));
  if (found == nullptr) return std::nullopt;
  return *found;
}

std::optional<std::u16string> MemoryRegistry::key_spelling(Hive hive,
                                                           std::string_view path) const {
  const RegistryTreeKey* key = tree(hive).find(path_of(path));
  if (key == nullptr) return std::nullopt;
  return key->name();
}

void MemoryRegistry::remove_key(Hive hive, std::string_view path) {
  tree(hive).remove(path_of(path));
}

void MemoryRegistry::set_writable(Hive hive, bool writable) {
  writable_[hive_index(hive)] = writable;
}

void MemoryRegistry::fail(RegistryOp op, OsError status, std::optional<std::string> name,
                          int times) {
  std::optional<std::u16string> folded;
  if (name && !name->empty()) folded = registry_name_fold(utf8_to_utf16(*name));
  rules_.push_back(FailureRule{op, status, std::move(folded), times});
}

std::vector<RegistryCall> MemoryRegistry::calls_of(RegistryOp op) const {
  std::vector<RegistryCall> found;
  for (const auto& call : calls_) {
    if (call.op == op) found.push_back(call);
  }
  return found;
}

std::optional<OsError> MemoryRegistry::begin(RegistryCall call) {
  calls_.push_back(std::move(call));
  const RegistryCall recorded = calls_.back();
  if (before_call) before_call(*this, recorded);
  for (auto& rule : rules_) {
    if (rule.remaining == 0 || rule.op != recorded.op) continue;
    if (rule.folded_name && *rule.folded_name != registry_name_fold(recorded.name)) continue;
    if (rule.remaining > 0) --rule.remaining;
    return rule.status;
  }
  return std::nullopt;
}

OsError MemoryRegistry::finish(OsError status) {
  calls_.back().status = status;
  return status;
}

OsError MemoryRegistry::open_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                                 RawKey* result) {
  if (auto injected = begin({.op = RegistryOp::OpenKey,
                             .key = parent,
                             .name = text_of(sub_key),
                             .name_is_null = sub_key == nullptr,
                             .access = access})) {
    return finish(*injected);
  }
  const OsError status = EmulatedRegistry::open_key(parent, sub_key, access, result);
  if (status == kErrorSuccess) calls_.back().result = *result;
  return finish(status);
}

OsError MemoryRegistry::create_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                                   RawKey* result) {
  if (auto injected = begin({.op = RegistryOp::CreateKey,
                             .key = parent,
                             .name = text_of(sub_key),
                             .name_is_null = sub_key == nullptr,
                             .access = access})) {
    return finish(*injected);
  }
  const OsError status = EmulatedRegistry::create_key(parent, sub_key, access, result);
  if (status == kErrorSuccess) calls_.back().result = *result;
  return finish(status);
}

OsError MemoryRegistry::query_value(RawKey key, const char16_t* name, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* data_size) {
  if (auto injected = begin({.op = RegistryOp::QueryValue,
                             .key = key,
                             .name = text_of(name),
                             .name_is_null = name == nullptr,
                             .with_data = data != nullptr,
                             .data_size = data_size == nullptr ? 0 : *data_size})) {
    return finish(*injected);
  }
  return finish(EmulatedRegistry::query_value(key, name, type, data, data_size));
}

OsError MemoryRegistry::set_value(RawKey key, const char16_t* name, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t data_size) {
  RegistryCall call{.op = RegistryOp::SetValue,
                    .key = key,
                    .name = text_of(name),
                    .name_is_null = name == nullptr,
                    .type = type,
                    .data_size = data_size};
  if (data != nullptr) call.data.assign(data, data + data_size);
  if (auto injected = begin(std::move(call))) return finish(*injected);
  return finish(EmulatedRegistry::set_value(key, name, type, data, data_size));
}

OsError MemoryRegistry::delete_tree(RawKey key, const char16_t* sub_key) {
  if (auto injected = begin({.op = RegistryOp::DeleteTree,
                             .key = key,
                             .name = text_of(sub_key),
                             .name_is_null = sub_key == nullptr})) {
    return finish(*injected);
  }
  return finish(EmulatedRegistry::delete_tree(key, sub_key));
}

OsError MemoryRegistry::close_key(RawKey key) {
  if (auto injected = begin({.op = RegistryOp::CloseKey, .key = key})) {
    // The handle is gone all the same, as RegCloseKey's status changes nothing for the caller.
    (void)EmulatedRegistry::close_key(key);
    return finish(*injected);
  }
  return finish(EmulatedRegistry::close_key(key));
}

OsError MemoryRegistry::read_hive(Hive hive, const Reader& read) { return read(tree(hive)); }

OsError MemoryRegistry::change_hive(Hive hive, const Changer& change) {
  if (!writable_[hive_index(hive)]) return kErrorAccessDenied;
  bool changed = false;
  return change(tree(hive), changed);
}

OsError MemoryRegistry::check_writable(Hive hive) {
  return writable_[hive_index(hive)] ? kErrorSuccess : kErrorAccessDenied;
}

}  // namespace zub
