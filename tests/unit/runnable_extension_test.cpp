// Which names the Windows shell would run: PATHEXT and the shell's runnable types.

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
      {u"\\\\?\\C:\\Docs\\tool.py", std::u16string(kDefaultPathExt), false},
      {u"\\\\?\\C:\\Docs\\tool.py", u".COM;.EXE; .PY ;", true},
      {u"\\\\?\\C:\\Docs\\tool.PYW", u".pyw", true},
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

}  // namespace
}  // namespace zub
