#include "platform/file_judgement.h"

#include "platform/program_content.h"

namespace zub {

FileVerdict judge_file(const FileFacts& facts) {
  if (facts.open_error == 0 && (facts.attributes & kAttributeDirectory) != 0) {
    return FileVerdict::Open;  // the shell opens a folder as "Folder"; its name decides nothing
  }
  if (facts.runnable_name) return FileVerdict::Refuse;
  if (const OsError error = facts.open_error != 0 ? facts.open_error : facts.read_error;
      error != 0) {
    // Held open without sharing, or locked: the application of the type will wait or say so.
    // Any error of the cloud-files filter (provider not running, offline, timed out, ...):
    // the application, which fetches the data itself, will report it.
    if (error == kErrorSharingViolation || error == kErrorLockViolation ||
        is_cloud_file_error(error)) {
      return FileVerdict::Open;
    }
    // Access denied, a virus found, ...: no application could read it either.
    return FileVerdict::Refuse;
  }
  if ((facts.attributes & kAttributeDevice) != 0) return FileVerdict::Refuse;
  // Reading an online-only file would make the launcher fetch it (with a "full" hydration
  // policy all of it) before any application shows progress.
  constexpr std::uint32_t kOnlineOnly =
      kAttributeOffline | kAttributeRecallOnOpen | kAttributeRecallOnDataAccess;
  if ((facts.attributes & kOnlineOnly) != 0) return FileVerdict::Open;
  if (!facts.content_read) return FileVerdict::ReadContent;
  return is_program_content(facts.first_bytes, facts.header_bytes, facts.script_may_run)
             ? FileVerdict::Refuse
             : FileVerdict::Open;
}

}  // namespace zub
