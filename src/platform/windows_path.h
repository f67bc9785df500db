#pragma once

// The rules of Windows paths over UTF-16 path text: prefixes, components, the component-wise
// prefix test of the containment check, verbatim and plain forms, and the form the shell gets.
// Pure: the platform's services use them, and tests run them anywhere.

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "platform/io_error.h"
#include "platform/path.h"

namespace zub {

// The leading part of a path that names a drive, share, device or verbatim root.
enum class PrefixKind {
  Verbatim,      // \\?\name
  VerbatimUnc,   // \\?\UNC\server\share
  VerbatimDisk,  // \\?\C:
  Device,        // \\.\name
  Unc,           // \\server\share, both non-empty
  Disk,          // C:
};

struct Prefix {
  PrefixKind kind = PrefixKind::Disk;
  // The name, the server or the drive letter; `second` is the share of the UNC kinds.
  std::u16string_view first;
  std::u16string_view second;
  // Units of the path that the prefix takes.
  std::size_t length = 0;
};

// The prefix at the start of `path`, if any. The verbatim marker \\?\ is written with "\" only;
// the other kinds take "/" as well. Two separators without a non-empty server and share are no
// prefix.
std::optional<Prefix> parse_prefix(std::u16string_view path);

struct PathComponent {
  enum class Kind { Prefix, Root, CurrentDir, ParentDir, Name };
  Kind kind = Kind::Name;
  Prefix prefix;               // Kind::Prefix
  std::u16string_view name;    // Kind::Name
};

// The components in order: the prefix, the root, the names. Empty names are skipped; "." is
// skipped except as the first name of a path without root and behind a verbatim prefix; ".."
// always stays.
std::vector<PathComponent> path_components(std::u16string_view path);

// Prefixes of the same kind with equal parts (drive letters ignore ASCII case), roots, and
// names unit for unit.
bool components_equal(const PathComponent& a, const PathComponent& b);

// True when the components of `base` are a leading run of those of `path`. A path starts with
// itself; a base without components is a prefix of every path.
bool path_starts_with(std::u16string_view path, std::u16string_view base);

bool contains_nul(std::u16string_view path);

// The path's last name: what follows its last "\" or "/", the whole path without one.
std::u16string_view last_name(std::u16string_view path);

// The three verbatim kinds, whose names the platform takes unparsed.
bool is_verbatim_kind(PrefixKind kind);

// The path begins with \\?\ or \??\ and is handed to the platform as it is.
bool is_verbatim_text(std::u16string_view path);

// Whether the final-path query needs the path made absolute and verbatim first: a path that is
// not yet verbatim and is either long (248 units or more with its NUL) or not absolute (neither
// "C:" with a separator nor two leading separators).
bool needs_verbatim_form(std::u16string_view path);

// A full path from the full-path service in verbatim form: \\.\x becomes \\?\x, \\server\share
// becomes \\?\UNC\server\share, anything else gets \\?\ in front.
Path to_verbatim_form(std::u16string_view full_path);

// The plain Win32 form of a canonical path, for the programs that cannot use a verbatim one:
// \\?\C:\... becomes C:\..., \\?\UNC\server\share\... becomes \\server\share\.... Only where
// the plain form names the same file unambiguously: it fits MAX_PATH with its NUL, and no name
// (server and share included) is "." or "..", is empty, ends in a dot or a blank, is a DOS
// device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, also with an extension) or
// holds a unit that plain paths reject or read differently (controls, < > : " / | ? *).
// Otherwise, and for every other kind of path, nothing.
std::optional<Path> plain_form(std::u16string_view canonical);

// The short (8.3) form of an existing path, as GetShortPathNameW gives it.
using ShortPathLookup = std::function<Result<Path, IoError>(const Path&)>;

// The form of a canonical path that the shell gets. Its plain form where that exists; else a
// path of fewer than MAX_PATH units, and any path that is not verbatim, as it is. A longer
// verbatim path is beyond the shell, which is not long-path aware: the plain form of its short
// form when that exists, otherwise nothing, and the file is not handed over.
std::optional<Path> shell_form(std::u16string_view canonical, const ShortPathLookup& short_path);

}  // namespace zub
