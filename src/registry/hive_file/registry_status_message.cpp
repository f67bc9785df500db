// The Windows message texts of the status codes the registry stand-ins produce, so that a
// registry error reads the same on Linux as on Windows.

#include "registry/registry.h"

namespace zub {

std::string registry_status_message(OsError status) {
  switch (status) {
    case 0:
      return "The operation completed successfully.";
    case 1:
      return "Incorrect function.";
    case 2:
      return "The system cannot find the file specified.";
    case 3:
      return "The system cannot find the path specified.";
    case 5:
      return "Access is denied.";
    case 6:
      return "The handle is invalid.";
    case 8:
      return "Not enough memory resources are available to process this command.";
    case 15:
      return "The system cannot find the drive specified.";
    case 33:
      return "The process cannot access the file because another process has locked a portion "
             "of the file.";
    case 53:
      return "The network path was not found.";
    case 67:
      return "The network name cannot be found.";
    case 87:
      return "The parameter is incorrect.";
    case 112:
      return "There is not enough space on the disk.";
    case 161:
      return "The specified path is invalid.";
    case 234:
      return "More data is available.";
    case 613:
      return "{Low On Registry Space}\r\nThe system has reached the maximum size allowed for the "
             "system part of the registry. Additional storage requests will be ignored.";
    case 998:
      return "Invalid access to memory location.";
    case 1009:
      return "The configuration registry database is corrupt.";
    case 1010:
      return "The configuration registry key is invalid.";
    case 1011:
      return "The configuration registry key could not be opened.";
    case 1012:
      return "The configuration registry key could not be read.";
    case 1013:
      return "The configuration registry key could not be written.";
    case 1015:
      return "The registry is corrupted. The structure of one of the files containing registry "
             "data is corrupted, or the system's memory image of the file is corrupted, or the "
             "file could not be recovered because the alternate copy or log was absent or "
             "corrupted.";
    case 1016:
      return "An I/O operation initiated by the registry failed unrecoverably. The registry "
             "could not read in, or write out, or flush, one of the files that contain the "
             "system's image of the registry.";
    case 1018:
      return "Illegal operation attempted on a registry key that has been marked for deletion.";
    case 10013:
      return "An attempt was made to access a socket in a way forbidden by its access "
             "permissions.";
    default:
      return "Unknown error " + std::to_string(status);
  }
}

}  // namespace zub
