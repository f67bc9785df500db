#pragma once

// What a program that reads text in the system's ANSI code page gets of a path: every program
// without Unicode support reads its command line that way (GetCommandLineA, main's argv). A
// character that the code page lacks arrives in its "best fit", and some of those mean something
// on a command line or in a path: U+FF02 FULLWIDTH QUOTATION MARK becomes ", U+FF0F /, U+FF3C
// and, on code page 932, U+00A5 become \.

#include <optional>
#include <string>
#include <string_view>

namespace zub {

// A text in the code page.
struct AnsiForm {
  std::string bytes;
  // A character of the text became the code page's default character.
  bool used_default = false;
};

class AnsiCodePage {
 public:
  virtual ~AnsiCodePage() = default;

  // `text` in the system's ANSI code page (WideCharToMultiByte with CP_ACP): a character that
  // the code page lacks becomes, with `best_fit`, its best-fit form where it has one, and the
  // default character otherwise; without `best_fit` (WC_NO_BEST_FIT_CHARS) always the default
  // character. Nothing where no program reads text that way: Linux has no code page, and a
  // UTF-8 code page holds every character.
  virtual std::optional<AnsiForm> convert(std::u16string_view text, bool best_fit) = 0;
};

AnsiCodePage& system_ansi_code_page();

// A character that the code page has no exact form for, and the character of meaning that its
// best-fit form is.
struct BestFit {
  char32_t character = 0;
  char becomes = 0;
};

// The characters of meaning: a best-fit form that is one of them would let a name end an
// argument (") or name another path (\ / :) or several (* ? < > |) for an ANSI program.
inline constexpr std::string_view kMeaningfulBestFits = "\"\\/:*?<>|";

// The first character of `path` that has no exact form in the code page but a best-fit form of
// meaning (kMeaningfulBestFits). A character without any form, which becomes the default
// character, is none. Nothing when the path has none, or when the platform has no code page.
// One conversion of the whole path when every character has its exact form; two per character
// that has none otherwise.
std::optional<BestFit> meaningful_best_fit(std::u16string_view path, AnsiCodePage& code_page);

}  // namespace zub
