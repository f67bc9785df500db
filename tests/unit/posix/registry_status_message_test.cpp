// The Windows message texts that the Linux stand-in gives for its status codes.

#include <gtest/gtest.h>

#include "registry/registry.h"

namespace zub {
namespace {

TEST(RegistryStatusMessage, GivesTheWindowsTexts) {
  const struct {
    OsError status;
    const char* text;
  } rows[] = {
      {2, "The system cannot find the file specified."},
      {5, "Access is denied."},
      {6, "The handle is invalid."},
      {234, "More data is available."},
      {1015,
       "The registry is corrupted. The structure of one of the files containing registry data is "
       "corrupted, or the system's memory image of the file is corrupted, or the file could not be "
       "recovered because the alternate copy or log was absent or corrupted."},
      {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
      {4242, "Unknown error 4242"},
  };
  for (const auto& row : rows) EXPECT_EQ(registry_status_message(row.status), row.text) << row.status;
}

TEST(RegistryStatusMessage, DetailedRenderingOfDeniedCreation) {
  EXPECT_EQ(describe_detailed(KeyError::from_status(5, "SOFTWARE\\varnelo\\launcher")),
            "PermissionDenied(\n"
            "    \"SOFTWARE\\\\varnelo\\\\launcher\",\n"
            "    Os {\n"
            "        code: 5,\n"
            "        kind: PermissionDenied,\n"
            "        message: \"Access is denied.\",\n"
            "    },\n"
            ")");
}

}  // namespace
}  // namespace zub
