#include "platform/shell_verb.h"

namespace zub {

bool lacks_verb(std::uintptr_t instance_code, OsError last_error) {
  if (instance_code == kShellErrorNoAssociation || last_error == kErrorNoAssociation) {
    return true;
  }
  return instance_code == 0 && last_error == kErrorSuccess;
}

}  // namespace zub
