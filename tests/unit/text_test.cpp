// UTF-8 checks, UTF-16 conversions, wide strings and the quoted form.

#include <gtest/gtest.h>

#include "common/quoted.h"
#include "common/utf8.h"
#include "platform/wide_string.h"

namespace zub {
namespace {

struct Utf8Row {
  const char* name;
  std::string bytes;
  std::optional<Utf8Error> expected;
};

TEST(CheckUtf8, ReportsIndexAndLengthOfFirstFault) {
  const Utf8Row rows[] = {
      {"ascii", "zubdms:/a.txt", std::nullopt},
      {"two byte", "\xC3\xA4", std::nullopt},
      {"four byte", "\xF0\x9F\x98\x80", std::nullopt},
      {"max code point", "\xF4\x8F\xBF\xBF", std::nullopt},
      {"lone continuation", "ab\x80", Utf8Error{2, 1}},
      {"C0 lead", "\xC0\xAF", Utf8Error{0, 1}},
      {"C1 lead", "\xC1\xBF", Utf8Error{0, 1}},
      {"F5 lead", "\xF5\x80\x80\x80", Utf8Error{0, 1}},
      {"FF", "zubdms:/\xFF", Utf8Error{8, 1}},
      {"wrong second byte", "\xC3(", Utf8Error{0, 1}},
      {"overlong three byte", "\xE0\x80\xAF", Utf8Error{0, 1}},
      {"surrogate", "\xED\xA0\x80", Utf8Error{0, 1}},
      {"above U+10FFFF", "\xF4\x90\x80\x80", Utf8Error{0, 1}},
      {"overlong four byte", "\xF0\x80\x80\x80", Utf8Error{0, 1}},
      {"wrong third byte", "x\xE2\x82(", Utf8Error{1, 2}},
      {"wrong fourth byte", "\xF0\x9F\x98(", Utf8Error{0, 3}},
      {"truncated two byte", "zubdms:/\xC3", Utf8Error{8, std::nullopt}},
      {"truncated four byte", "\xF0\x9F\x98", Utf8Error{0, std::nullopt}},
      {"first of several faults", "a\xFF\xFF", Utf8Error{1, 1}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(check_utf8(row.bytes), row.expected) << row.name;
  }
}

TEST(Utf16, ConvertsBothWays) {
  EXPECT_EQ(utf8_to_utf16("a\xC3\xA4\xF0\x9F\x98\x80"), u"a\u00E4\U0001F600");
  EXPECT_EQ(utf16_to_utf8_lossy(u"a\u00E4\U0001F600"), "a\xC3\xA4\xF0\x9F\x98\x80");
  // Ill-formed input: one U+FFFD per ill-formed sequence.
  EXPECT_EQ(utf8_to_utf16("a\xFF" "b\xE2\x82" "c"), u"a\uFFFDb\uFFFDc");
  EXPECT_EQ(utf8_to_utf16("\xE2\x82"), u"\uFFFD");

  const std::u16string lone_high = {0xD800, u'A'};
  EXPECT_EQ(utf16_to_utf8_lossy(lone_high), "\xEF\xBF\xBD" "A");
  EXPECT_FALSE(utf16_to_utf8_strict(lone_high).has_value());
  const std::u16string lone_low = {u'A', 0xDC00};
  EXPECT_EQ(utf16_to_utf8_lossy(lone_low), "A\xEF\xBF\xBD");
  // Generalised UTF-8 keeps the surrogate, and the UTF-8 check refuses it.
  const std::string wtf8 = utf16_to_wtf8(lone_high);
  EXPECT_EQ(wtf8, "\xED\xA0\x80" "A");
  EXPECT_EQ(check_utf8(wtf8), (Utf8Error{0, 1}));
}

TEST(WideString, CheckedConversion) {
  auto empty = to_wide_checked("");
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->length_with_nul(), 1u);
  EXPECT_EQ(empty->c_str()[0], u'\0');

  auto daten = to_wide_checked("C:\\Daten");
  ASSERT_TRUE(daten.has_value());
  EXPECT_EQ(daten->length_with_nul(), 9u);
  EXPECT_EQ(daten->view(), u"C:\\Daten");

  auto nul = to_wide_checked(std::string("ab\0cd", 5));
  ASSERT_TRUE(nul.has_error());
  EXPECT_EQ(nul.error().position, 2u);
  EXPECT_EQ(nul.error().units, std::u16string(u"ab\0cd", 5));

  // A character above U+FFFF counts as two units before the NUL.
  auto astral = to_wide_checked(std::string("\xF0\x9F\x98\x80\0", 5));
  ASSERT_TRUE(astral.has_error());
  EXPECT_EQ(astral.error().position, 2u);
}

TEST(WideString, TerminatedKeepsInteriorNul) {
  const std::u16string units = to_wide_terminated(std::string("ab\0cd", 5));
  EXPECT_EQ(units, std::u16string(u"ab\0cd\0", 6));
  EXPECT_EQ(std::u16string(units.c_str()), u"ab");  // what the platform sees
}

TEST(WideString, FromUnits) {
  auto until = wide_until_nul(std::u16string(u"ab\0cd\0", 6));
  ASSERT_TRUE(until.has_value());
  EXPECT_EQ(until->length_with_nul(), 3u);
  EXPECT_EQ(until->view(), u"ab");

  auto missing = wide_until_nul(u"abc");
  ASSERT_TRUE(missing.has_error());
  EXPECT_EQ(missing.error().units, u"abc");

  auto with_nul = wide_from_units(std::u16string(u"a\0", 2));
  ASSERT_TRUE(with_nul.has_error());
  EXPECT_EQ(with_nul.error().position, 1u);

  EXPECT_EQ(empty_wide().length_with_nul(), 1u);
}

TEST(WideString, BackToText) {
  const std::string astral = "\xF0\x9F\x98\x80\xF0\x90\x8D\x88";
  auto wide = to_wide_checked(astral);
  ASSERT_TRUE(wide.has_value());
  auto strict = from_wide_strict(*wide);
  ASSERT_TRUE(strict.has_value());
  EXPECT_EQ(*strict, astral);

  auto lone = wide_from_units(std::u16string{0xD800, u'A'});
  ASSERT_TRUE(lone.has_value());
  EXPECT_EQ(from_wide_lossy(*lone), "\xEF\xBF\xBD" "A");
  EXPECT_TRUE(from_wide_strict(*lone).has_error());
}

TEST(WideString, DiagnosticForms) {
  EXPECT_EQ(describe(NulError{1, std::u16string(u"a\0", 2)}), "NulError(1, [97, 0])");
  EXPECT_EQ(describe(MissingNulError{u"ab"}), "MissingNulError { inner: [97, 98] }");
  EXPECT_EQ(describe(FromUtf16Error{}), "FromUtf16Error(())");
}

struct QuotedRow {
  const char* name;
  std::string text;
  std::string expected;
};

TEST(Quoted, EscapesWhatIsNotPlainlyVisible) {
  const QuotedRow rows[] = {
      {"empty", "", "\"\""},
      {"backslashes doubled", "C:\\Docs", "\"C:\\\\Docs\""},
      {"quote", "a\"b", "\"a\\\"b\""},
      {"single quote unchanged", "it's", "\"it's\""},
      {"named escapes", std::string("\t\r\n\0", 4), "\"\\t\\r\\n\\0\""},
      {"other control", "\x01\x7F", "\"\\u{1}\\u{7f}\""},
      {"blank kept", "a b", "\"a b\""},
      {"no-break space", "\xC2\xA0", "\"\\u{a0}\""},
      {"line separator", "\xE2\x80\xA8", "\"\\u{2028}\""},
      {"format char (ZWJ)", "\xE2\x80\x8D", "\"\\u{200d}\""},
      {"soft hyphen (Cf)", "\xC2\xAD", "\"\\u{ad}\""},
      {"private use", "\xEE\x80\x80", "\"\\u{e000}\""},
      {"CJK extension G", "\xF0\xB0\x80\x80" "x", "\"\xF0\xB0\x80\x80x\""},
      {"unassigned plane 14", "\xF3\xA0\x80\x80", "\"\\u{e0000}\""},
      {"umlaut", "\xC3\xA4", "\"\xC3\xA4\""},
      {"combining mark after letter", "a\xCC\x81", "\"a\\u{301}\""},
      {"emoji", "\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
      {"ill-formed byte", "a\xFF", "\"a\xEF\xBF\xBD\""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(quoted_form(row.text), row.expected) << row.name;
  }
}

TEST(EscapeControls, OnlyControlsAndFormatsChange) {
  const QuotedRow rows[] = {
      {"ordinary path unchanged", "C:\\Docs\\Plan \"ä\".pdf", "C:\\Docs\\Plan \"ä\".pdf"},
      {"named escapes", std::string("a\tb\r\n\0", 6), "a\\tb\\r\\n\\0"},
      {"C1, override, zero width, separator", "\xC2\x85\xE2\x80\xAE\xE2\x80\x8B\xE2\x80\xA8",
       "\\u{85}\\u{202e}\\u{200b}\\u{2028}"},
      {"combining mark, no-break space, private use stay", "a\xCC\x81\xC2\xA0\xEE\x80\x80",
       "a\xCC\x81\xC2\xA0\xEE\x80\x80"},
      {"ill-formed bytes as \\x", "a\x9B" "b\x85" "c\xE2\x82", "a\\x9bb\\x85c\\xe2\\x82"},
      {"lone surrogate of an argument", "a\xED\xA0\x80" "b", "a\\u{d800}b"},
      {"replacement character stays", "\xEF\xBF\xBD", "\xEF\xBF\xBD"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(escape_controls(row.text), row.expected) << row.name;
  }
}

TEST(Quoted, UnicodeTablesMatchVersion15) {
  // Spot checks against Unicode 15.0: U+1FAE8 (Shaking Face) was added in 15.0.
  EXPECT_TRUE(is_printable(0x1FAE8));
  EXPECT_FALSE(is_printable(0x1FAF9));  // unassigned in 15.0
  EXPECT_TRUE(is_printable(0x20));
  EXPECT_FALSE(is_printable(0x3000));  // ideographic space (Zs)
  EXPECT_TRUE(is_grapheme_extend(0x200C));  // ZWNJ is Other_Grapheme_Extend
  EXPECT_TRUE(is_grapheme_extend(0xE0100));
  EXPECT_FALSE(is_grapheme_extend(u'a'));
  EXPECT_TRUE(is_control_or_format(0x61C));  // Arabic letter mark (Cf)
  EXPECT_FALSE(is_control_or_format(0x20));
  EXPECT_FALSE(is_control_or_format(0xE000));
}

}  // namespace
}  // namespace zub
