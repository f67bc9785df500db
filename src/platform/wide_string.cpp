#include "platform/wide_string.h"

#include <algorithm>

#include "common/utf8.h"

namespace zub {
namespace {

std::string describe_units(std::u16string_view units) {
  std::string out = "[";
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (i != 0) out += ", ";
    out += std::to_string(static_cast<unsigned>(units[i]));
  }
  return out + "]";
}

}  // namespace

WideCString WideCString::from_units_without_nul(std::u16string_view units) {
  auto storage = std::make_unique<char16_t[]>(units.size() + 1);
  std::copy(units.begin(), units.end(), storage.get());
  storage[units.size()] = u'\0';
  return WideCString(std::move(storage), units.size() + 1);
}

Result<WideCString, NulError> to_wide_checked(std::string_view text) {
  return wide_from_units(utf8_to_utf16(text));
}

std::u16string to_wide_terminated(std::string_view text) {
  std::u16string units = utf8_to_utf16(text);
  units.push_back(u'\0');
  return units;
}

Result<WideCString, NulError> wide_from_units(std::u16string_view units) {
  const std::size_t nul = units.find(u'\0');
  if (nul != std::u16string_view::npos) return fail(NulError{nul, std::u16string(units)});
  return WideCString::from_units_without_nul(units);
}

Result<WideCString, MissingNulError> wide_until_nul(std::u16string_view units) {
  const std::size_t nul = units.find(u'\0');
  if (nul == std::u16string_view::npos) return fail(MissingNulError{std::u16string(units)});
  return WideCString::from_units_without_nul(units.substr(0, nul));
}

WideCString empty_wide() { return WideCString::from_units_without_nul({}); }

std::string from_wide_lossy(const WideCString& wide) { return utf16_to_utf8_lossy(wide.view()); }

Result<std::string, FromUtf16Error> from_wide_strict(const WideCString& wide) {
  auto text = utf16_to_utf8_strict(wide.view());
  if (!text) return fail(FromUtf16Error{});
  return std::move(*text);
}

std::string describe(const NulError& error) {
  return "NulError(" + std::to_string(error.position) + ", " + describe_units(error.units) + ")";
}

std::string describe(const MissingNulError& error) {
  return "MissingNulError { inner: " + describe_units(error.units) + " }";
}

std::string describe(const FromUtf16Error&) { return "FromUtf16Error(())"; }

}  // namespace zub
