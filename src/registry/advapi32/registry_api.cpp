// The registry of Windows: advapi32, and the system's message texts of its status codes.

#include <windows.h>

#include <memory>

#include "common/utf8.h"
#include "registry/registry.h"
#include "registry/registry_api.h"

namespace zub {
namespace win32 {
namespace {

HKEY to_hkey(RawKey key) { return reinterpret_cast<HKEY>(key); }
RawKey to_raw(HKEY key) { return reinterpret_cast<RawKey>(key); }
// wchar_t is UTF-16 on Windows.
const wchar_t* to_wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// The registry functions return their status; it is never read from GetLastError.
OsError status_of(LSTATUS status) { return static_cast<OsError>(status); }

class Win32Registry final : public RegistryApi {
 public:
  OsError open_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                   RawKey* result) override {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(to_hkey(parent), to_wide(sub_key), 0, access, &opened);
    if (status == ERROR_SUCCESS) *result = to_raw(opened);
    return status_of(status);
  }

  OsError create_key(RawKey parent, const char16_t* sub_key, std::uint32_t access,
                     RawKey* result) override {
    HKEY created = nullptr;
    const LSTATUS status = RegCreateKeyExW(to_hkey(parent), to_wide(sub_key), 0, nullptr,
                                           REG_OPTION_NON_VOLATILE, access, nullptr, &created,
                                           nullptr);
    if (status == ERROR_SUCCESS) *result = to_raw(created);
    return status_of(status);
  }

  OsError query_value(RawKey key, const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* data_size) override {
    DWORD value_type = 0;
    DWORD size = data_size != nullptr ? *data_size : 0;
    const LSTATUS status = RegQueryValueExW(to_hkey(key), to_wide(name), nullptr,
                                            type != nullptr ? &value_type : nullptr, data,
                                            data_size != nullptr ? &size : nullptr);
    if (type != nullptr) *type = value_type;
    if (data_size != nullptr) *data_size = size;
    return status_of(status);
  }

  OsError set_value(RawKey key, const char16_t* name, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t data_size) override {
    return status_of(RegSetValueExW(to_hkey(key), to_wide(name), 0, type, data, data_size));
  }

  OsError delete_tree(RawKey key, const char16_t* sub_key) override {
    return status_of(RegDeleteTreeW(to_hkey(key), to_wide(sub_key)));
  }

  OsError close_key(RawKey key) override { return status_of(RegCloseKey(to_hkey(key))); }
};

struct LocalFreeDeleter {
  void operator()(wchar_t* buffer) const { LocalFree(buffer); }
};
using LocalBuffer = std::unique_ptr<wchar_t, LocalFreeDeleter>;

}  // namespace
}  // namespace win32

RegistryApi& system_registry() {
  static win32::Win32Registry registry;
  return registry;
}

std::string registry_status_message(OsError status) {
  wchar_t* allocated = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, status, 0, reinterpret_cast<LPWSTR>(&allocated), 0, nullptr);
  const win32::LocalBuffer buffer(allocated);
  if (length == 0 || !buffer) return "Unknown error " + std::to_string(status);

  std::u16string_view text(reinterpret_cast<const char16_t*>(buffer.get()), length);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t' || text.back() == u'\r' ||
                           text.back() == u'\n')) {
    text.remove_suffix(1);
  }
  return utf16_to_utf8_lossy(text);
}

}  // namespace zub
