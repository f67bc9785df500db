// Which files the shell would run: by name (PATHEXT and the runnable types), by program headers,
// the judgement of a file from what the platform learnt, and the type a file is handed over as.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/utf8.h"
#include "platform/file_judgement.h"
#include "platform/file_type.h"
#include "platform/program_content.h"
#include "platform/runnable_types.h"
#include "registry/registry_api.h"  // kErrorAccessDenied

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
      {u"\\\\?\\C:\\Docs\\Makros.XLA", u"", true},  // add-ins of the 97-2003 formats too
      {u"\\\\?\\C:\\Docs\\Seite.mhtml", u"", true},  // handled by MSHTML, blocked by Outlook
      {u"\\\\?\\C:\\Docs\\Zertifikat.P12", u"", true},  // imported into a certificate store
      {u"\\\\?\\C:\\Docs\\Sitzung.ica", u"", true},     // connects to the server it names
      {u"\\\\?\\C:\\Docs\\Umsatz.dqy", u"", true},      // a query of the server it names
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

TEST(ProgramContent, HeadersAndType) {
  // A DOS header whose e_lfanew (at 0x3C) leads to a PE signature at 0x40.
  const std::string pe = "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0PE\0\0", 8);
  EXPECT_EQ(program_header_offset(pe, pe.size()), 0x40u);
  EXPECT_EQ(program_header_offset(pe, 0x41), std::nullopt);  // e_lfanew beyond the file
  EXPECT_EQ(program_header_offset("MZ;Mosambik;Maputo\n", 64), std::nullopt);
  EXPECT_TRUE(is_program_content(pe, pe.substr(0x40), false));
  EXPECT_TRUE(is_program_content(pe, "NE\x05", false));
  EXPECT_FALSE(is_program_content(pe, "PE", false));           // a PE signature has four bytes
  EXPECT_FALSE(is_program_content("MZ-Nummer 4711", "", true));  // text, no program header
  EXPECT_TRUE(is_program_content("\x7F" "ELF\x02\x01\x01", "", false));
  EXPECT_TRUE(is_program_content("\x7F" "ELF ist ein Format", "", false));  // the magic alone
  EXPECT_TRUE(is_program_content("#!/bin/sh", "", true));
  EXPECT_FALSE(is_program_content("#!/bin/sh", "", false));  // a script that cannot run
  EXPECT_EQ(association_class(u"\\\\?\\C:\\Docs\\Rechnung.pdf"), u".pdf");
  EXPECT_EQ(association_class(u"C:\\Docs.zubt\\report"), u".");  // the type Windows gives it
  EXPECT_EQ(association_class(u"C:\\Docs\\x.%ZUBEXT%"), u".%ZUBEXT%");
}

TEST(JudgeFile, OneRowPerRule) {
  using V = FileVerdict;
  struct Row {
    const char* rule;
    FileFacts facts;
    V expected;
  };
  std::vector<Row> rows = {
      {"a folder, whatever its name", {.runnable_name = true, .attributes = kAttributeDirectory},
       V::Open},
      {"a runnable name", {.runnable_name = true}, V::Refuse},
      {"held open without sharing", {.open_error = kErrorSharingViolation}, V::Open},
      {"locked", {.read_error = kErrorLockViolation}, V::Open},
      {"access denied", {.open_error = kErrorAccessDenied}, V::Refuse},
      {"a virus found", {.read_error = kErrorVirusInfected}, V::Refuse},
      {"unreadable", {.read_error = kErrorReadFault}, V::Refuse},
      {"ERROR_NOT_A_CLOUD_FILE, among their codes", {.read_error = 376}, V::Refuse},
      {"neither file nor folder", {.attributes = kAttributeDevice}, V::Refuse},
      {"a file, not yet read", {}, V::ReadContent},
      {"a program", {.content_read = true, .first_bytes = "\x7F" "ELF\x01\x01\x01"}, V::Refuse},
      {"a document", {.content_read = true, .first_bytes = "MZ;Mosambik"}, V::Open},
  };
  for (const auto online :
       {kAttributeOffline, kAttributeRecallOnOpen, kAttributeRecallOnDataAccess}) {
    rows.push_back({"online-only, never read", {.attributes = online}, V::Open});
    rows.push_back({"online-only, by name", {.runnable_name = true, .attributes = online},
                    V::Refuse});
  }
  // ERROR_CLOUD_FILE_* codes as winerror.h numbers them, its own access denied (395) included.
  for (const OsError cloud : {362u, 366u, 374u, 375u, 377u, 383u, 386u, 387u, 388u, 389u, 391u,
                              393u, 395u, 398u, 404u, 426u, 434u, 475u}) {
    rows.push_back({"a cloud-files error", {.read_error = cloud}, V::Open});
  }
  for (const auto& row : rows) {
    EXPECT_EQ(judge_file(row.facts), row.expected)
        << row.rule << ", attributes " << row.facts.attributes << ", error "
        << row.facts.open_error << "/" << row.facts.read_error;
  }
}

}  // namespace
}  // namespace zub
