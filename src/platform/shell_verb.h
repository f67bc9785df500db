#pragma once

// The verb with which the shell is asked to open a document. "open" first; a type whose
// application registered only verbs of its own ("edit", "bearbeiten") has none, and is then
// opened with its default verb, as Explorer opens it.

#include <cstdint>

#include "common/windows_status.h"

namespace zub {

// ShellExecute's code for "no application is associated with the file for this verb".
inline constexpr std::uintptr_t kShellErrorNoAssociation = 31;  // SE_ERR_NOASSOC

// Whether a failed ShellExecuteExW, given its code (hInstApp) and the last error right after
// it, says that the type has no such verb, so that its default verb (lpVerb NULL) may be asked
// for once more: SE_ERR_NOASSOC or ERROR_NO_ASSOCIATION, as Windows answers, or neither code nor
// error, as Wine 8 answers a class without the verb. Such a request started nothing and asked
// the user nothing. Every other failure (a declined prompt, a file not found, a DDE error) is
// final.
bool lacks_verb(std::uintptr_t instance_code, OsError last_error);

}  // namespace zub
