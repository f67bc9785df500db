#pragma once

// The atomic replace of a file: the new content goes to a temporary file in the same folder
// (".<name>.XXXXXX"), which is synced and renamed over the file, and the folder is synced, so
// that a reader, or a crash, sees either the old or the new file, never a torn one. The hive
// backend replaces under its lock (hive_lock.h), so concurrent writers lose nothing. A replace
// that fails leaves the file as it was.

#include <functional>
#include <string>
#include <string_view>

#include "common/windows_status.h"

namespace zub::posix {

// Takes the next piece of the content; false once a piece could not be stored.
using PieceSink = std::function<bool(std::string_view piece)>;
// Hands the new content to `put` piece by piece, stopping at a piece it refuses.
using ContentWriter = std::function<void(const PieceSink& put)>;

// Replaces `file` with what `write` gives, written as it is made, so that a large file is never
// held in memory. The new file has the read bits of the one it replaces and its owner's write
// bit (0644 for a new one), never write for group or others. 0, or the status of the step that
// failed (write_status.h), the temporary file removed.
OsError replace_atomically(const std::string& file, const ContentWriter& write);

// Removes the temporary files of writers that died before their rename. Only a writer that
// holds the lock makes one, so under the lock every one found is a leftover. Best effort: a
// leftover is litter, it never stands in the way of a write.
void remove_leftover_temporaries(const std::string& file);

}  // namespace zub::posix
