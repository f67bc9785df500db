#pragma once

// Which files the shell would run instead of open by their name: the extensions of PATHEXT and
// the runnable types. Pure rules, shared by both platforms' shells and their tests.

#include <string_view>

namespace zub {

// PATHEXT as Windows sets it when the variable is missing; Linux uses it as it is.
inline constexpr std::u16string_view kDefaultPathExt =
    u".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC";

// True when one of the path's extensions is in `path_ext` (";"-separated) or among the runnable
// types; ASCII case is ignored.
bool has_runnable_extension(std::u16string_view path, std::u16string_view path_ext);

}  // namespace zub
