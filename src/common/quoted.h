#pragma once

// quoted_form(): the quoted form of a text, as the debug report and the detailed registry error show it:
// "C:\\Docs" for C:\Docs. Backslash and double quote are escaped with a backslash; tab,
// carriage return, line feed and NUL are written \t, \r, \n and \0; a character that is not
// printable, or that only extends the preceding one (Grapheme_Extend), is written \u{hex}.

#include <string>
#include <string_view>

namespace zub {

std::string quoted_form(std::string_view text);

// The text with its control and format characters (general categories Cc, Cf, Zl, Zp: line
// breaks, tabs, bidirectional overrides, zero-width characters) escaped as quoted_form escapes
// them ("\n", "\u{202e}"); bytes that are no UTF-8 become "\x9b" (a lone surrogate of a Windows
// argument "\u{d800}"); every other character, backslashes and quotes included, stays as it is,
// and no quotes are added. For link and file-system text
// inside messages: it can neither start lines of its own nor reorder the text around it.
std::string escape_controls(std::string_view text);

// Unicode properties behind the quoted form (Unicode 15.0 tables).
bool is_printable(char32_t code_point);
bool is_grapheme_extend(char32_t code_point);
bool is_control_or_format(char32_t code_point);

}  // namespace zub
