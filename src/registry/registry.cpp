#include "registry/registry.h"

#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "common/quoted.h"
#include "common/utf8.h"
#include "platform/fatal_error.h"

namespace zub {
namespace {

std::string_view kind_name(KeyError::Kind kind) {
  switch (kind) {
    case KeyError::Kind::NotFound:
      return "NotFound";
    case KeyError::Kind::PermissionDenied:
      return "PermissionDenied";
    case KeyError::Kind::InvalidNul:
      return "InvalidNul";
    case KeyError::Kind::Unknown:
      return "Unknown";
  }
  return "Unknown";
}

std::string_view kind_name(ValueError::Kind kind) {
  switch (kind) {
    case ValueError::Kind::NotFound:
      return "NotFound";
    case ValueError::Kind::PermissionDenied:
      return "PermissionDenied";
    case ValueError::Kind::UnhandledType:
      return "UnhandledType";
    case ValueError::Kind::InvalidNul:
      return "InvalidNul";
    case ValueError::Kind::MissingNul:
      return "MissingNul";
    case ValueError::Kind::MissingMultiNul:
      return "MissingMultiNul";
    case ValueError::Kind::InvalidUtf16:
      return "InvalidUtf16";
    case ValueError::Kind::Unknown:
      return "Unknown";
    case ValueError::Kind::BufferSize:
      return "BufferSize";
    case ValueError::Kind::InvalidBufferSize:
      return "InvalidBufferSize";
  }
  return "Unknown";
}

// `Os { code: 5, kind: PermissionDenied, message: "Access is denied." }`
std::string describe_status(OsError status) {
  return "Os { code: " + std::to_string(status) +
         ", kind: " + std::string(status_category_name(status)) +
         ", message: " + quoted_form(registry_status_message(status)) + " }";
}

// The path of a key under an open key: the parent's path, "\" and the sub-key path. The
// parent's path was made from text, so it always converts back.
WideCString path_under(const RegistryKey& parent, std::string_view sub_path) {
  auto parent_text = from_wide_strict(parent.path());
  if (parent_text.has_error()) {
    fatal_error("registry key path is not valid UTF-16: " + describe(parent_text.error()));
  }
  std::string path = std::move(parent_text).value();
  // RegOpenKeyExW with an empty sub-key opens the parent itself, and a key directly under a
  // root key has no parent path to join.
  if (!path.empty() && !sub_path.empty()) path += '\\';
  path += sub_path;
  auto wide = to_wide_checked(path);
  if (wide.has_error()) fatal_error("registry key path holds a NUL: " + describe(wide.error()));
  return std::move(wide).value();
}

// The most a string value may hold for the launcher to read it. Its strings are paths and a
// command line, each at most 32,767 UTF-16 units on Windows (64 KiB); this is 64 times that.
// A larger size (a damaged value, a faulty stand-in) is refused before memory is spent on it.
constexpr std::uint32_t kMaxStringValueBytes = std::uint32_t{4} << 20;

// A zero-filled buffer of UTF-16 units, or nothing when the memory cannot be had; a size
// reported by the registry must not be able to end the process.
std::unique_ptr<char16_t[]> zeroed_units(std::size_t count) {
  return std::unique_ptr<char16_t[]>(new (std::nothrow) char16_t[count]());
}

}  // namespace

StatusKind classify_status(OsError status) {
  switch (status) {
    case kErrorFileNotFound:
    case kErrorPathNotFound:
    case kErrorInvalidDrive:
    case kErrorBadNetPath:
    case kErrorBadNetName:
      return StatusKind::NotFound;
    case kErrorAccessDenied:
    case kWsaErrorAccess:
      return StatusKind::PermissionDenied;
    default:
      return StatusKind::Unknown;
  }
}

std::string_view status_category_name(OsError status) {
  switch (classify_status(status)) {
    case StatusKind::NotFound:
      return "NotFound";
    case StatusKind::PermissionDenied:
      return "PermissionDenied";
    case StatusKind::Unknown:
      return "Uncategorized";
  }
  return "Uncategorized";
}

namespace {

// The error kind of a status code; KeyError and ValueError name the three kinds alike.
template <class Kind>
Kind kind_of_status(OsError status) {
  switch (classify_status(status)) {
    case StatusKind::NotFound: return Kind::NotFound;
    case StatusKind::PermissionDenied: return Kind::PermissionDenied;
    case StatusKind::Unknown: return Kind::Unknown;
  }
  return Kind::Unknown;
}

}  // namespace

KeyError KeyError::from_status(OsError status, std::string path) {
  KeyError error;
  error.kind = kind_of_status<Kind>(status);
  error.path = std::move(path);
  error.status = status;
  return error;
}

ValueError ValueError::from_status(OsError status, std::string name) {
  ValueError error;
  error.kind = kind_of_status<Kind>(status);
  error.name = std::move(name);
  error.status = status;
  return error;
}

std::string_view text(RegistryError error) {
  switch (error) {
    case RegistryError::Key:
      return "Error accessing registry key";
    case RegistryError::Value:
      return "Error accessing registry value";
  }
  return "";
}

std::string text(const KeyError& error) {
  switch (error.kind) {
    case KeyError::Kind::NotFound:
      return "Provided path not found: " + error.path;
    case KeyError::Kind::PermissionDenied:
      return "Permission denied for given path: " + error.path;
    case KeyError::Kind::InvalidNul:
      return "Invalid null found in provided path";
    case KeyError::Kind::Unknown:
      return "An unknown IO error occurred for given path: " + error.path;
  }
  return "";
}

std::string text_with_status(const KeyError& error) {
  if (error.kind == KeyError::Kind::InvalidNul) return text(error);
  return text(error) + " (" + registry_status_message(error.status) + ", status " +
         std::to_string(error.status) + ")";
}

std::string describe_detailed(const KeyError& error) {
  const std::string kind(kind_name(error.kind));
  if (error.kind == KeyError::Kind::InvalidNul) {
    return kind + "(\n    " + describe(error.nul) + ",\n)";
  }
  return kind + "(\n" +
         "    " + quoted_form(error.path) + ",\n" +
         "    Os {\n" +
         "        code: " + std::to_string(error.status) + ",\n" +
         "        kind: " + std::string(status_category_name(error.status)) + ",\n" +
         "        message: " + quoted_form(registry_status_message(error.status)) + ",\n" +
         "    },\n" +
         ")";
}

std::string describe(const KeyError& error) {
  const std::string kind(kind_name(error.kind));
  if (error.kind == KeyError::Kind::InvalidNul) return kind + "(" + describe(error.nul) + ")";
  return kind + "(" + quoted_form(error.path) + ", " + describe_status(error.status) + ")";
}

std::string describe(const ValueError& error) {
  const std::string kind(kind_name(error.kind));
  switch (error.kind) {
    case ValueError::Kind::NotFound:
    case ValueError::Kind::PermissionDenied:
    case ValueError::Kind::Unknown:
    case ValueError::Kind::BufferSize:
      return kind + "(" + quoted_form(error.name) + ", " + describe_status(error.status) + ")";
    case ValueError::Kind::UnhandledType:
      return kind + "(" + std::to_string(error.type) + ")";
    case ValueError::Kind::InvalidNul:
      return kind + "(" + describe(error.nul) + ")";
    case ValueError::Kind::MissingNul:
      return kind + "(" + describe(MissingNulError{error.units}) + ")";
    case ValueError::Kind::MissingMultiNul:
      return kind;
    case ValueError::Kind::InvalidUtf16:
      return kind + "(" + describe(FromUtf16Error{}) + ")";
    case ValueError::Kind::InvalidBufferSize:
      return kind + "(" + std::to_string(error.size) + ")";
  }
  return kind;
}

Result<RegistryKey, KeyError> Registry::key_call(KeyCall call, Hive hive,
                                                 const RegistryKey* parent, std::string_view path,
                                                 std::uint32_t access) {
  auto wide = to_wide_checked(path);
  if (wide.has_error()) return fail(KeyError{KeyError::Kind::InvalidNul, {}, 0, wide.error()});
  RawKey handle = 0;
  const RawKey parent_handle = parent != nullptr ? parent->handle() : raw_key(hive);
  const OsError status = (api_.*call)(parent_handle, wide->c_str(), access, &handle);
  if (status != kErrorSuccess) return fail(KeyError::from_status(status, from_wide_lossy(*wide)));
  WideCString key_path = parent != nullptr ? path_under(*parent, path) : std::move(wide).value();
  return RegistryKey(&api_, hive, std::move(key_path), handle);
}

Result<RegistryKey, KeyError> Registry::open_key(Hive hive, std::string_view path,
                                                 std::uint32_t access) {
  return key_call(&RegistryApi::open_key, hive, nullptr, path, access);
}

Result<RegistryKey, KeyError> Registry::open_key(const RegistryKey& parent,
                                                 std::string_view path, std::uint32_t access) {
  return key_call(&RegistryApi::open_key, parent.hive(), &parent, path, access);
}

Result<RegistryKey, KeyError> Registry::create_key(Hive hive, std::string_view path,
                                                   std::uint32_t access) {
  return key_call(&RegistryApi::create_key, hive, nullptr, path, access);
}

Result<RegistryKey, KeyError> Registry::create_key(const RegistryKey& parent,
                                                   std::string_view path, std::uint32_t access) {
  return key_call(&RegistryApi::create_key, parent.hive(), &parent, path, access);
}

Result<void, ValueError> Registry::set_string_value(RegistryKey& key, std::string_view name,
                                                    const WideCString& value) {
  auto wide_name = to_wide_checked(name);
  if (wide_name.has_error()) {
    ValueError error;
    error.kind = ValueError::Kind::InvalidNul;
    error.nul = std::move(wide_name).error();
    return fail(std::move(error));
  }
  // The terminator is part of the stored data. cbData is 32 bits wide: a text too long for
  // it is refused rather than stored cut short.
  const std::size_t units = value.length_with_nul();
  if (units > std::numeric_limits<std::uint32_t>::max() / 2) {
    ValueError error;
    error.kind = ValueError::Kind::InvalidBufferSize;
    error.size = units * 2;
    return fail(std::move(error));
  }
  const std::vector<std::uint8_t> data = utf16le_bytes(std::u16string_view(value.c_str(), units));
  const OsError status = api_.set_value(key.handle(), wide_name->c_str(), kRegSz, data.data(),
                                        static_cast<std::uint32_t>(data.size()));
  if (status != kErrorSuccess) {
    return fail(ValueError::from_status(status, from_wide_lossy(*wide_name)));
  }
  return ok<ValueError>();
}

Result<void, KeyError> Registry::delete_key_tree(RegistryKey& key, std::string_view sub_key) {
  auto wide =
      sub_key.empty() ? Result<WideCString, NulError>(empty_wide()) : to_wide_checked(sub_key);
  if (wide.has_error()) return fail(KeyError{KeyError::Kind::InvalidNul, {}, 0, wide.error()});
  const OsError status = api_.delete_tree(key.handle(), wide->c_str());
  if (status != kErrorSuccess) return fail(KeyError::from_status(status, from_wide_lossy(*wide)));
  return ok<KeyError>();
}

Result<std::string, RegistryError> Registry::read_string_value(Hive hive, std::string_view path,
                                                               std::string_view name) {
  auto key = open_key(hive, path, kKeyRead);
  if (key.has_error()) return fail(RegistryError::Key);
  auto wide_name = to_wide_checked(name);
  if (wide_name.has_error()) return fail(RegistryError::Value);

  std::uint32_t byte_count = 0;
  if (api_.query_value(key->handle(), wide_name->c_str(), nullptr, nullptr, &byte_count) !=
      kErrorSuccess) {
    return fail(RegistryError::Value);
  }
  if (byte_count > kMaxStringValueBytes) return fail(RegistryError::Value);

  // ceil(bytes / 2) units, zero-filled: an odd last byte lands in a unit of its own.
  const std::size_t unit_count = byte_count / 2 + byte_count % 2;
  std::unique_ptr<char16_t[]> buffer;
  if (unit_count != 0) {
    buffer = zeroed_units(unit_count);
    if (!buffer) return fail(RegistryError::Value);
  }
  // Filled byte-wise by the platform, in its (little-endian) order.
  std::uint32_t type = 0;
  std::uint32_t written = byte_count;
  if (api_.query_value(key->handle(), wide_name->c_str(), &type,
                       reinterpret_cast<std::uint8_t*>(buffer.get()), &written) != kErrorSuccess) {
    // 234 among others: the value grew since the size query.
    return fail(RegistryError::Value);
  }
  if (type != kRegSz) return fail(RegistryError::Value);

  // Only the bytes written count: a value that shrank between the queries must not borrow a
  // terminator from the zero fill.
  if (written > byte_count) return fail(RegistryError::Value);
  const std::size_t filled_units = written / 2 + written % 2;
  auto text = wide_until_nul(std::u16string_view(buffer.get(), filled_units));
  if (text.has_error()) return fail(RegistryError::Value);  // MissingNul
  return from_wide_lossy(*text);
}

}  // namespace zub
