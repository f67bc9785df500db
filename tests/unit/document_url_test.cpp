// Checking and decoding of document links.

#include <gtest/gtest.h>

#include "document/document_url.h"
#include "recording_ui.h"

namespace zub {
namespace {

struct DecodeRow {
  std::string input;
  std::string expected;
};

TEST(PercentDecode, Table) {
  const DecodeRow rows[] = {
      {"plain", "plain"},
      {"A%20B", "A B"},
      {"%41%62", "Ab"},
      {"%%41", "%A"},
      {"%4%41", "%4A"},
      {"100%.txt", "100%.txt"},
      {"end%", "end%"},
      {"end%4", "end%4"},
      {"%zz", "%zz"},
      {"%4g", "%4g"},
      {"a+b", "a+b"},
      {"%00", std::string("\0", 1)},
      {"%ff%FF", "\xFF\xFF"},
      {"%C3%A4", "\xC3\xA4"},
      {"\xC3\xA4%20", "\xC3\xA4 "},
  };
  for (const auto& row : rows) {
    std::string storage;
    EXPECT_EQ(percent_decode(row.input, storage), row.expected) << row.input;
  }
}

TEST(PercentDecode, TextWithoutPercentIsNotCopied) {
  const std::string text = "zubdms:/a/b.txt";
  std::string storage;
  EXPECT_EQ(percent_decode(text, storage).data(), text.data());
  EXPECT_TRUE(storage.empty());
}

struct ParseRow {
  std::string link;
  std::string relative_path;
};

TEST(ParseDocumentUrl, RelativePaths) {
  const ParseRow rows[] = {
      {"zubdms:/Projekte/A%20B/Plan.pdf", "\\Projekte\\A B\\Plan.pdf"},
      {"zubdms:/a+b.txt", "\\a+b.txt"},
      {"zubdms:/x%2Fy", "\\x\\y"},
      {"zubdms:/x%5Cy", "\\x\\y"},
      {"zubdms:/%C3%A4.doc", "\\\xC3\xA4.doc"},
      {"zubdms:x.txt", "x.txt"},
      {"zubdms:", ""},
      {"zubdms:/", "\\"},
      {"zubdms:/a%7Aubdms:b", "\\ab"},
      {"zubdms:/zubdms:zubdms:x", "\\x"},
      // Removal is one pass: the occurrence made by joining the text around one stays.
      {"zubdms:/zubzubdms:dms:x", "\\zubdms:x"},
      {"zubdms:/../secret.txt", "\\..\\secret.txt"},
      {"zubdms:/%2E%2E/secret.txt", "\\..\\secret.txt"},
      {"zubdms:/a%00b", std::string("\\a\0b", 4)},
  };
  for (const auto& row : rows) {
    testing::RecordingUi ui;
    Messages messages(ui, true);
    auto result = parse_document_url(row.link, messages);
    ASSERT_TRUE(result.has_value()) << row.link;
    EXPECT_EQ(*result, row.relative_path) << row.link;
    EXPECT_EQ(ui.err, "") << row.link;
  }
}

TEST(ParseDocumentUrl, WrongSchemeGives14WithTheLinkQuoted) {
  // The link as given, with its line breaks and bidirectional marks escaped.
  const std::pair<std::string, std::string> rows[] = {
      {"Zubdms:/x.txt", "Zubdms:/x.txt"}, {"ZUBDMS:/x.txt", "ZUBDMS:/x.txt"}, {"zubdms", "zubdms"},
      {"file:/x.txt", "file:/x.txt"},     {"", ""},   {"-H", "-H"},   {"ab", "ab"},
      {"x\n\nWARNUNG\xE2\x80\xAE", "x\\n\\nWARNUNG\\u{202e}"}, {"C:\\x\\n", "C:\\x\\n"},
  };
  for (const auto& [link, shown] : rows) {
    testing::RecordingUi ui;
    Messages messages(ui, true);
    auto result = parse_document_url(link, messages);
    ASSERT_TRUE(result.has_error()) << link;
    EXPECT_EQ(result.error(), ExitCode::UrlFormat) << link;
    EXPECT_EQ(ui.err, "\nFehler in der URL : " + shown + "\nURL muss mit zubdms:/ starten\n" +
                          std::string(18, ' ') + " true\n")
        << link;
  }
}

struct DecodeFailureRow {
  std::string link;
  std::string text;
};

TEST(ParseDocumentUrl, UndecodableLinkGives15) {
  const DecodeFailureRow rows[] = {
      {"zubdms:/%FF", "invalid utf-8 sequence of 1 bytes from index 8"},
      {"zubdms:/%C3", "incomplete utf-8 byte sequence from index 8"},
      {"zubdms:/ab%E2%82(", "invalid utf-8 sequence of 2 bytes from index 10"},
      {"zubdms:/%F0%9F%98x", "invalid utf-8 sequence of 3 bytes from index 8"},
      {"zubdms:/%ED%A0%80", "invalid utf-8 sequence of 1 bytes from index 8"},
      // An argument that is not valid Unicode is refused even without any "%".
      {"zubdms:/a\xFF.txt", "invalid utf-8 sequence of 1 bytes from index 9"},
      {"zubdms:/\xED\xA0\x80.txt", "invalid utf-8 sequence of 1 bytes from index 8"},
  };
  for (const auto& row : rows) {
    testing::RecordingUi ui;
    Messages messages(ui, true);
    auto result = parse_document_url(row.link, messages);
    ASSERT_TRUE(result.has_error()) << row.link;
    EXPECT_EQ(result.error(), ExitCode::UrlDecode) << row.link;
    EXPECT_EQ(ui.err, "Fehler beim URL Decode der Datei " + row.text + " true\n") << row.link;
  }
}

TEST(ParseDocumentUrl, HugeLinkIsDecoded) {
  std::string link = "zubdms:/";
  for (int i = 0; i < (1 << 20) / 3; ++i) link += "%41";
  testing::RecordingUi ui;
  Messages messages(ui, true);
  auto result = parse_document_url(link, messages);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->size(), 1u + (1u << 20) / 3);
}

}  // namespace
}  // namespace zub
