// Which files the shell would run: by name (PATHEXT and the runnable types), by first bytes, and
// the type under which a file is handed over.

#include <gtest/gtest.h>

#include "common/utf8.h"
#include "platform/runnable_extension.h"

namespace zub {
namespace {

TEST(RunnableExtension, Table) {
  struct Row {
    std::u16string path;
    std::u16string path_ext;
    bool expected;
  };
  const Row rows[] = {
      {u"\\\\?\\C:\\Docs\\Plan.pdf", std::u16string(kDefaultPathExt), false},
      {u"\\\\?\\C:\\Docs\\setup.exe", std::u16string(kDefaultPathExt), true},
      {u"\\\\?\\C:\\Docs\\SETUP.EXE", u"", true},
      {u"\\\\?\\C:\\Docs\\run.Cmd", u"", true},
      // Windows ignores trailing dots and blanks: this is run.bat.
      {u"\\\\?\\C:\\Docs\\run.bat. .", u"", true},
      {u"\\\\?\\C:\\Docs\\Verknüpfung.lnk", u"", true},
      {u"\\\\?\\C:\\Docs\\x.url", u"", true},
      {u"\\\\?\\C:\\Docs\\x.SettingContent-ms", u"", true},
      {u"\\\\?\\C:\\Docs\\x.ps1", u"", true},
      // Help and setup files: their viewers run commands (WinHelp's ExecFile macro).
      {u"\\\\?\\C:\\Docs\\Handbuch.HLP", u"", true},
      {u"\\\\?\\C:\\Docs\\Handbuch.cnt", u"", true},
      {u"\\\\?\\C:\\Docs\\treiber.inf", u"", true},
      // Extensions that only PATHEXT names.
      {u"\\\\?\\C:\\Docs\\tool.lua", std::u16string(kDefaultPathExt), false},
      {u"\\\\?\\C:\\Docs\\tool.lua", u".COM;.EXE; .LUA ;", true},
      {u"\\\\?\\C:\\Docs\\tool.LUA", u".lua", true},
      // Types that run code, install or lead elsewhere, whatever PATHEXT holds.
      {u"\\\\?\\C:\\Docs\\tool.py", u"", true},
      {u"\\\\?\\C:\\Docs\\Add-in.XLL", u"", true},
      {u"\\\\?\\C:\\Docs\\x.searchConnector-ms", u"", true},
      {u"\\\\?\\C:\\Docs\\Abbild.iso", u"", true},
      // Documents that merely may carry macros stay openable.
      {u"\\\\?\\C:\\Docs\\Bericht.docm", std::u16string(kDefaultPathExt), false},
      {u"\\\\?\\C:\\Docs\\Tabelle.xlsm", std::u16string(kDefaultPathExt), false},
      // The extension of the last name only.
      {u"\\\\?\\C:\\Docs.exe\\Plan.pdf", u"", false},
      {u"\\\\?\\C:\\Docs\\exe", u"", false},
      {u"\\\\?\\C:\\Docs\\Plan.pdf.exe", u"", true},
      {u"\\\\?\\C:\\Docs\\Plan.exe.pdf", u"", false},
      // Alternate streams: either side of the colon counts.
      {u"\\\\?\\C:\\Docs\\a.exe:stream", u"", true},
      {u"\\\\?\\C:\\Docs\\a.txt:x.exe", u"", true},
      {u"/home/u/Docs/x.EXE", u"", true},
      {u"\\\\?\\C:\\", u"", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(has_runnable_extension(row.path, row.path_ext), row.expected)
        << utf16_to_utf8_lossy(row.path) << " with PATHEXT " << utf16_to_utf8_lossy(row.path_ext);
  }
}

TEST(ProgramContent, FirstBytesAndType) {
  EXPECT_TRUE(is_program_content("MZ\x90", false));
  EXPECT_TRUE(is_program_content("\x7F" "ELF", false));
  EXPECT_TRUE(is_program_content("#!/bin/sh", true));
  EXPECT_FALSE(is_program_content("#!/bin/sh", false));  // a script without its run bit
  EXPECT_FALSE(is_program_content("%PDF", true));
  EXPECT_EQ(association_class(u"\\\\?\\C:\\Docs\\Rechnung.pdf"), u".pdf");
  EXPECT_EQ(association_class(u"C:\\Docs.zubt\\report"), u".");  // the type Windows gives it
  EXPECT_EQ(association_class(u"C:\\Docs\\x.%ZUBEXT%"), u".%ZUBEXT%");
}

}  // namespace
}  // namespace zub
