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

TEST(RunnableContentType, RefusedTypesAreRunnableByTheirDescriptionAndDataOpens) {
  // What shared-mime-info calls the types of each category. A shell archive unpacks itself
  // with sh; SCons files are Python programs.
  const auto words = [](const char* pattern) { return std::regex(pattern, std::regex::icase); };
  const std::map<std::string_view, std::regex> category_words = {
      {"program", words("executable|program|application bundle|Java|JNLP")},
      {"script", words("script|program|bytecode|Registry|shell|SCons")},
      {"library", words("library")},
      {"package", words("package|extension|installer|bundle|repository")},
      {"desktop entry", words("desktop entry|shortcut|link")},
      {"disk image", words("disk image|CD image|filesystem image")},
  };
  GList* types = g_content_types_get_registered();
  int swept = 0;
  for (GList* item = types; item != nullptr; item = item->next, ++swept) {
    const char* type = static_cast<const char*>(item->data);
    const auto category = runnable_category(type, gio_is_a);
    if (!category) continue;
    gchar* text = g_content_type_get_description(type);
    EXPECT_TRUE(std::regex_search(text, category_words.at(*category)))
        << type << " (" << text << ") refused as " << *category;
    g_free(text);
  }
  g_list_free_full(types, g_free);
  EXPECT_GT(swept, 500);  // the whole database, not a stub of it

  for (const char* name : {"a.dmg", "a.img", "a.img.xz", "a.raw-disk-image", "a.sqsh", "a.fd"}) {
    gchar* type = g_content_type_guess(name, nullptr, 0, nullptr);  // the database's own names
    EXPECT_EQ(runnable_category(type, gio_is_a).value_or(""), "disk image") << name << " " << type;
    g_free(type);
  }
  for (const char* data :
       {"application/json", "application/geo+json", "application/ld+json", "model/gltf+json",
        "application/x-ipynb+json", "text/plain", "text/csv", "application/pdf",
        "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
        "application/vnd.ms-word.document.macroenabled.12",
        "application/vnd.ms-excel.sheet.macroenabled.12",
        "application/vnd.ms-powerpoint.presentation.macroenabled.12",
        "application/vnd.oasis.opendocument.text", "image/png", "image/jpeg", "image/svg+xml"}) {
    EXPECT_FALSE(runnable_category(data, gio_is_a).has_value()) << data;
  }
}

}  // namespace
}  // namespace zub::posix
