#pragma once

// NUL-terminated UTF-16 strings that cross to the platform (registry, event log, message boxes).

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "common/result.h"

namespace zub {

// An owned sequence of UTF-16 units whose last unit is the only NUL. Move-only; its storage
// holds exactly the units.
class WideCString {
 public:
  WideCString(WideCString&&) noexcept = default;
  WideCString& operator=(WideCString&&) noexcept = default;

  // Pointer to the first unit, for the platform call.
  const char16_t* c_str() const { return units_.get(); }
  // Units without the terminator.
  std::u16string_view view() const { return {units_.get(), length_ - 1}; }
  // Units including the terminator (at least 1).
  std::size_t length_with_nul() const { return length_; }

  // Builds from units known to hold no NUL; the terminator is appended.
  static WideCString from_units_without_nul(std::u16string_view units);

 private:
  WideCString(std::unique_ptr<char16_t[]> units, std::size_t length)
      : units_(std::move(units)), length_(length) {}

  std::unique_ptr<char16_t[]> units_;
  std::size_t length_;
};

// A NUL was found where none may be: its index in UTF-16 units, and the converted units.
struct NulError {
  std::size_t position = 0;
  std::u16string units;
};

// A terminator was required and none was found.
struct MissingNulError {
  std::u16string units;
};

// The units hold an unpaired surrogate.
struct FromUtf16Error {};

// Refuses text with a NUL character; used for every key path, value name and value.
Result<WideCString, NulError> to_wide_checked(std::string_view text);

// Encodes the text and appends one NUL unit, without any check: the platform reads up to the
// first NUL. Used for event texts and the event source name.
std::u16string to_wide_terminated(std::string_view text);

// Copies the units and appends the terminator; refuses units that hold a NUL.
Result<WideCString, NulError> wide_from_units(std::u16string_view units);

// Keeps the units up to and including the first NUL; refuses units without one.
Result<WideCString, MissingNulError> wide_until_nul(std::u16string_view units);

// The terminator alone.
WideCString empty_wide();

// Text of the units before the terminator; each unpaired surrogate becomes U+FFFD.
std::string from_wide_lossy(const WideCString& wide);

// Text of the units before the terminator; fails on the first unpaired surrogate.
Result<std::string, FromUtf16Error> from_wide_strict(const WideCString& wide);

// Diagnostic forms, used only in fatal internal-error reports.
std::string describe(const NulError& error);
std::string describe(const MissingNulError& error);
std::string describe(const FromUtf16Error& error);

}  // namespace zub
