#include "recording_registry.h"

#include "common/utf8.h"
#include "registry/emulation/registry_tree.h"

namespace zub {
namespace {

std::u16string text_of(const char16_t* text) { return text == nullptr ? u"" : text; }

}  // namespace

void RecordingRegistry::fail(RegistryOp op, OsError status, std::optional<std::string> name,
                             int times) {
  std::optional<std::u16string> folded;
  if (name && !name->empty()) folded = registry_name_fold(utf8_to_utf16(*name));
  rules_.push_back(FailureRule{op, status, std::move(folded), times});
}

std::vector<RegistryCall> RecordingRegistry::calls_of(RegistryOp op) const {
  std::vector<RegistryCall> found;
  for (const auto& call : calls_) {
    if (call.op == op) found.push_back(call);
  }
  return found;
}

std::optional<OsError> RecordingRegistry::begin(RegistryCall call) {
  calls_.push_back(std::move(call));
  const RegistryCall recorded = calls_.back();
  before(recorded);
  for (auto& rule : rules_) {
    if (rule.remaining == 0 || rule.op != recorded.op) continue;
    if (rule.folded_name && *rule.folded_name != registry_name_fold(recorded.name)) continue;
    if (rule.remaining > 0) --rule.remaining;
    return rule.status;
  }
  return std::nullopt;
}

OsError RecordingRegistry::finish(OsError status) {
  calls_.back().status = status;
  return status;
}

OsError RecordingRegistry::open_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                                    RawKey* result) {
  if (auto injected = begin({.op = RegistryOp::OpenKey,
                             .key = parent,
                             .name = text_of(sub_key),
                             .name_is_null = sub_key == nullptr,
                             .access = access})) {
    return finish(*injected);
  }
  const OsError status = backend_.open_key(parent, sub_key, access, result);
  if (status == kErrorSuccess) calls_.back().result = *result;
  return finish(status);
}

OsError RecordingRegistry::create_key(RawKey parent, const char16_t* sub_key,
                                      std::uint32_t access, RawKey* result) {
  if (auto injected = begin({.op = RegistryOp::CreateKey,
                             .key = parent,
                             .name = text_of(sub_key),
                             .name_is_null = sub_key == nullptr,
                             .access = access})) {
    return finish(*injected);
  }
  const OsError status = backend_.create_key(parent, sub_key, access, result);
  if (status == kErrorSuccess) calls_.back().result = *result;
  return finish(status);
}

OsError RecordingRegistry::query_value(RawKey key, const char16_t* name, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* data_size) {
  if (auto injected = begin({.op = RegistryOp::QueryValue,
                             .key = key,
                             .name = text_of(name),
                             .name_is_null = name == nullptr,
                             .with_data = data != nullptr,
                             .data_size = data_size == nullptr ? 0 : *data_size})) {
    return finish(*injected);
  }
  return finish(backend_.query_value(key, name, type, data, data_size));
}

OsError RecordingRegistry::set_value(RawKey key, const char16_t* name, std::uint32_t type,
                                     const std::uint8_t* data, std::uint32_t data_size) {
  RegistryCall call{.op = RegistryOp::SetValue,
                    .key = key,
                    .name = text_of(name),
                    .name_is_null = name == nullptr,
                    .type = type,
                    .data_size = data_size};
  if (data != nullptr) call.data.assign(data, data + data_size);
  if (auto injected = begin(std::move(call))) return finish(*injected);
  return finish(backend_.set_value(key, name, type, data, data_size));
}

OsError RecordingRegistry::delete_tree(RawKey key, const char16_t* sub_key) {
  if (auto injected = begin({.op = RegistryOp::DeleteTree,
                             .key = key,
                             .name = text_of(sub_key),
                             .name_is_null = sub_key == nullptr})) {
    return finish(*injected);
  }
  return finish(backend_.delete_tree(key, sub_key));
}

OsError RecordingRegistry::close_key(RawKey key) {
  if (auto injected = begin({.op = RegistryOp::CloseKey, .key = key})) {
    // The handle is gone all the same.
    (void)backend_.close_key(key);
    return finish(*injected);
  }
  return finish(backend_.close_key(key));
}

}  // namespace zub
