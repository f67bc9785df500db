// The content types refused on Linux, swept over every type that shared-mime-info knows: each
// refused type is a program, script, library, package or desktop entry by its own description,
// and data types open.

#include "platform/posix/runnable_content_type.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

namespace zub::posix {
namespace {

bool gio_is_a(const char* type, const char* ancestor) {
  return g_content_type_is_a(type, ancestor) != FALSE;
}

std::string description(const char* type) {
  gchar* text = g_content_type_get_description(type);
  std::string result = text != nullptr ? text : "";
  g_free(text);
  return result;
}

TEST(RunnableContentType, EveryRefusedTypeIsRunnableByItsDescription) {
  // What shared-mime-info calls the types of each category.
  const std::map<std::string_view, std::regex> words = {
      {"program", std::regex("executable|program|application bundle|Java|JNLP", std::regex::icase)},
      // A shell archive unpacks itself with sh; SCons files are Python programs.
      {"script", std::regex("script|program|bytecode|Registry|shell|SCons", std::regex::icase)},
      {"library", std::regex("library", std::regex::icase)},
      {"package", std::regex("package|extension|installer|bundle|repository", std::regex::icase)},
      {"desktop entry", std::regex("desktop entry|shortcut|link", std::regex::icase)},
  };
  GList* types = g_content_types_get_registered();
  int swept = 0;
  for (GList* item = types; item != nullptr; item = item->next, ++swept) {
    const char* type = static_cast<const char*>(item->data);
    const auto category = runnable_category(type, gio_is_a);
    if (!category) continue;
    const std::string text = description(type);
    EXPECT_TRUE(std::regex_search(text, words.at(*category)))
        << type << " (" << text << ") refused as " << *category;
  }
  g_list_free_full(types, g_free);
  EXPECT_GT(swept, 500);  // the whole database, not a stub of it
}

TEST(RunnableContentType, Named) {
  const std::pair<const char*, const char*> rows[] = {
      {"application/json", nullptr},
      {"application/geo+json", nullptr},
      {"application/ld+json", nullptr},
      {"model/gltf+json", nullptr},
      {"application/x-ipynb+json", nullptr},
      {"text/plain", nullptr},
      {"text/csv", nullptr},
      {"application/pdf", nullptr},
      {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", nullptr},
      {"application/vnd.ms-word.document.macroenabled.12", nullptr},
      {"application/vnd.ms-excel.sheet.macroenabled.12", nullptr},
      {"application/vnd.ms-powerpoint.presentation.macroenabled.12", nullptr},
      {"application/vnd.oasis.opendocument.text", nullptr},
      {"image/png", nullptr},
      {"image/jpeg", nullptr},
      {"image/svg+xml", nullptr},
      {"application/x-theme", nullptr},
      {"application/x-executable", "program"},
      {"application/x-ms-dos-executable", "program"},
      {"application/x-sharedlib", "library"},
      {"application/x-shellscript", "script"},
      {"text/x-python3", "script"},
      {"application/javascript", "script"},
      {"application/vnd.debian.binary-package", "package"},
      {"application/x-desktop", "desktop entry"},
  };
  for (const auto& [type, expected] : rows) {
    const auto category = runnable_category(type, gio_is_a);
    EXPECT_EQ(category.value_or("data"), expected != nullptr ? expected : "data") << type;
  }
}

}  // namespace
}  // namespace zub::posix
