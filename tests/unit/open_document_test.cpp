// The open action over a fake file system and a fake shell: exit codes, exact messages, the two
// shell attempts, and that nothing outside the base directory ever reaches the shell.

#include "document/open_document.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "config/base_dir.h"
#include "fake_code_page.h"
#include "memory_registry.h"
#include "platform/shell_verb.h"
#include "platform/windows_path.h"
#include "recording_ui.h"

namespace zub {
namespace {

Path p(std::string_view text) { return utf8_to_utf16(text); }

// A file system given as a table: the final path of each path the launcher may ask about.
class FakeFiles final : public PathResolver {
 public:
  Result<Path, IoError> final_path(const Path& path) override {
    asked.push_back(path);
    const auto found = finals.find(path);
    if (found == finals.end()) return fail(IoError::from_os(2));
    return found->second;
  }
  Result<void, IoError> query_metadata(const Path& path) override {
    for (const auto& [input, final_form] : finals) {
      if (path == input || path == final_form) return ok<IoError>();
    }
    return fail(IoError::from_os(2));
  }
  Result<Path, IoError> full_path(const Path& path) override {
    const auto found = fulls.find(path);
    return found == fulls.end() ? path : found->second;
  }
  Result<Path, IoError> short_path(const Path& path) override {
    short_asked.push_back(path);
    const auto found = shorts.find(path);
    if (found == shorts.end()) return fail(IoError::from_os(2));
    return found->second;
  }

  std::map<Path, Path> finals;
  std::map<Path, Path> fulls;   // the full path where it differs from the path
  std::map<Path, Path> shorts;  // the short form where there is one
  std::vector<Path> asked;
  std::vector<Path> short_asked;
};

class FakeShell final : public Shell {
 public:
  bool is_executable_content(const Path& path) override {
    checked.push_back(path);
    return executable.count(path) != 0;
  }
  Result<void, IoError> open(const Path& path, const Path& named) override {
    opened.push_back(path);
    opened_as.push_back(named);
    if (results.empty()) return ok<IoError>();
    auto result = results.front();
    results.pop_front();
    if (result) return fail(*result);
    return ok<IoError>();
  }

  std::set<Path> executable;
  // One entry per call: an error, or nothing for success. Empty: every call succeeds.
  std::deque<std::optional<IoError>> results;
  std::vector<Path> checked;
  std::vector<Path> opened;
  std::vector<Path> opened_as;  // the long name each was opened under
};

// Composes and decomposes Ü alone; records what it was asked.
class FakeNormalization final : public UnicodeForms {
 public:
  std::optional<std::string> to_form(std::string_view text, NormalForm form) override {
    asked.emplace_back(text);
    const bool nfc = form == NormalForm::C;
    std::string out(text), from = nfc ? "U\u0308" : "\u00dc", to = nfc ? "\u00dc" : "U\u0308";
    for (auto at = out.find(from); at != out.npos; at = out.find(from)) {
      out.replace(at, from.size(), to);
    }
    return out;
  }
  std::vector<std::string> asked;
};

class OpenDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    memory_.put_string(Hive::CurrentUser, kLauncherKeyPath, kBaseDirValueName, "C:\\Docs");
    files_.finals = {
        {p("C:\\Docs"), p("\\\\?\\C:\\Docs")},
        {p("C:\\Docs\\Projekte\\Plan.pdf"), p("\\\\?\\C:\\Docs\\Projekte\\Plan.pdf")},
        {p("C:\\Docs\\..\\secret.txt"), p("\\\\?\\C:\\secret.txt")},
        {p("C:\\Docs\\..\\DocsX\\a.txt"), p("\\\\?\\C:\\DocsX\\a.txt")},
        {p("C:\\Docsx.txt"), p("\\\\?\\C:\\Docsx.txt")},
        {p("C:\\Docs\\junction\\a.txt"), p("\\\\?\\D:\\Elsewhere\\a.txt")},
        {p("C:\\Docs\\link.txt"), p("\\\\?\\C:\\Windows\\win.ini")},
        {p("C:\\Docs\\setup.exe"), p("\\\\?\\C:\\Docs\\setup.exe")},
        {p("C:\\Docs\\a\tb.pdf"), p("\\\\?\\C:\\Docs\\a\tb.pdf")},
        {p("C:\\Docs\\..\\x\u202Etxt.exe"), p("\\\\?\\C:\\x\u202Etxt.exe")},
    };
  }

  ExitCode open(std::string_view url, std::string_view relative, bool debug = false) {
    Messages messages(ui_, /*console_attached=*/false);
    if (debug) messages.enable_debug();
    return open_document(registry_, {files_, shell_, unicode_, code_page_}, messages, url,
                         relative);
  }

  std::vector<std::string> shown() const {
    std::vector<std::string> texts;
    for (const auto& box : ui_.boxes) texts.push_back(box.text);
    return texts;
  }

  MemoryRegistry memory_;
  Registry registry_{memory_};
  FakeFiles files_;
  FakeShell shell_;
  FakeNormalization unicode_;
  testing::FakeCodePage code_page_ = testing::code_page_1252();
  testing::RecordingUi ui_;
};

TEST_F(OpenDocument, OpensTheDocumentSilently) {
  EXPECT_EQ(open("zubdms:/Projekte/Plan.pdf", "\\Projekte\\Plan.pdf"), ExitCode::Success);
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_EQ(shell_.opened, std::vector<Path>{p("C:\\Docs\\Projekte\\Plan.pdf")});
}

TEST_F(OpenDocument, TheShellGetsThePlainFormOnlyWhereItNamesTheSameFile) {
  files_.finals[p("C:\\Docs\\nul.txt")] = p("\\\\?\\C:\\Docs\\nul.txt");
  files_.finals[p("C:\\Docs\\b.")] = p("\\\\?\\C:\\Docs\\b.");
  const std::pair<const char*, const char*> rows[] = {
      {"\\nul.txt", "\\\\?\\C:\\Docs\\nul.txt"},
      {"\\b.", "\\\\?\\C:\\Docs\\b."},
      {"\\Projekte\\Plan.pdf", "C:\\Docs\\Projekte\\Plan.pdf"},
  };
  for (const auto& [relative, handed] : rows) {
    shell_.checked.clear();
    shell_.opened.clear();
    EXPECT_EQ(open("zubdms:/x", relative), ExitCode::Success) << relative;
    EXPECT_EQ(shell_.checked, std::vector<Path>{p(handed)}) << relative;
    EXPECT_EQ(shell_.opened, std::vector<Path>{p(handed)}) << relative;
  }
}

TEST_F(OpenDocument, LongPathsGoToTheShellInTheirShortForm) {
  const std::string d(130, 'd'), deep = "\\\\?\\C:\\Docs\\" + d + "\\" + d + ".pdf";
  files_.finals[p(deep.substr(4))] = p(deep);
  files_.shorts[p(deep)] = p("\\\\?\\C:\\D~1\\D~1.PDF");
  EXPECT_EQ(open("zubdms:/x", deep.substr(11)), ExitCode::Success);
  // Both names are checked; the long one gives the type.
  EXPECT_EQ(shell_.checked, (std::vector<Path>{p("C:\\D~1\\D~1.PDF"), p(deep)}));
  EXPECT_EQ(shell_.opened, std::vector<Path>{p("C:\\D~1\\D~1.PDF")});
  EXPECT_EQ(shell_.opened_as, std::vector<Path>{p(deep)});
  const auto short_form = files_.shorts;
  files_.shorts.clear();  // refused before the shell is asked
  EXPECT_EQ(open("zubdms:/x", deep.substr(11), true), ExitCode::ShellOpenFailed);
  EXPECT_EQ(shell_.checked.size(), 2u);
  EXPECT_EQ(shown(), (std::vector<std::string>{
                         "Basedir \"C:\\\\Docs\"\nFile " + deep +
                             "\nPath too long for the shell, and no short (8.3) form fits",
                         "\nFehler beim normalisieren des Pfades : IO error\nURL: zubdms:/x\n"
                         "File: " + deep + "\n"}));
  files_.shorts = short_form;
  shell_.executable = {p(deep)};  // refused by its long name alone
  EXPECT_EQ(open("zubdms:/x", deep.substr(11)), ExitCode::ShellOpenFailed);
  EXPECT_EQ(shell_.opened.size(), 1u);
}

TEST_F(OpenDocument, NamesStoredInTheOtherUnicodeForm) {
  const std::string nfc = "\u00dc", nfd = "U\u0308", base = "C:\\Docs\\";
  for (const auto& name : {nfc + "1", nfd + "2", nfc + nfc + "3", nfd + nfd + "3", nfd + "Mac",
                           nfd + "Mac\\" + nfc + "6", nfd + "Mac\\" + nfd + "7",
                           nfd + "Mac\\" + nfc + "8"}) {
    files_.finals[p(base + name)] = p("\\\\?\\" + base + name);
  }
  files_.finals[p(base + nfc + "4")] = p("\\\\?\\C:\\Elsewhere\\x");
  const auto missing = [](const std::string& joined) {
    return "\nFehler beim öffnen : " + IoError::from_os(2).text() + "\nURL: zubdms:/x\nFile: " +
           joined + "\n";
  };
  const auto opened = [&](const std::string& how, const std::string& joined) {
    return "Basedir \"C:\\\\Docs\"\nName found " + how + ": " + joined + "\nFile \\\\?\\" + joined +
           "\ndocument opened!";
  };
  struct Row {
    std::string relative;
    ExitCode code;
    std::string box;
    std::size_t conversions;  // asked of the normal forms
  };
  const Row rows[] = {
      {nfd + "1", ExitCode::Success, opened("in Unicode form NFC", base + nfc + "1"), 2},
      {nfc + "2", ExitCode::Success, opened("in Unicode form NFD", base + nfd + "2"), 2},
      {nfc + nfd + "3", ExitCode::OpenFailed, missing(base + nfc + nfd + "3"), 2},  // both exist
      {nfd + "5", ExitCode::OpenFailed, missing(base + nfd + "5"), 2},              // neither
      {nfd + "4", ExitCode::OutsideBaseDir,
       "Fehler:\nDie zu öffnende Datei " + base + nfc + "4 canonicalized to \\\\?\\C:\\Elsewhere\\x"
       "\nliegt nicht unter dem varnelo Basisverzeichnis C:\\Docs\n", 2},
      {"U\xCC", ExitCode::OpenFailed, missing(base + "U\uFFFD"), 0},  // not UTF-8: not normalised
      // A folder made on a Mac (NFD), filled from Windows (NFC), linked in NFC: the folder is
      // found in NFD, the file is there as linked (a third conversion asks whether it is NFD too).
      {nfc + "Mac\\" + nfc + "6", ExitCode::Success,
       opened("with parts in Unicode form NFD", base + nfd + "Mac\\" + nfc + "6"), 3},
      {nfc + "Mac\\" + nfd + "7", ExitCode::Success,
       opened("in Unicode form NFD", base + nfd + "Mac\\" + nfd + "7"), 3},
      {nfc + "Mac\\" + nfd + "8", ExitCode::Success,
       opened("with parts in Unicode forms NFC and NFD", base + nfd + "Mac\\" + nfc + "8"), 4},
      // No single match for a name on the way: the link's path in the message.
      {nfc + "Mac\\" + nfd + "5", ExitCode::OpenFailed,
       missing(base + nfc + "Mac\\" + nfd + "5"), 4},
      {nfc + "PC\\" + nfc + "6", ExitCode::OpenFailed, missing(base + nfc + "PC\\" + nfc + "6"),
       2},
  };
  for (const auto& row : rows) {
    ui_.boxes.clear();
    unicode_.asked.clear();
    EXPECT_EQ(open("zubdms:/x", "\\" + row.relative, true), row.code) << row.relative;
    EXPECT_EQ(shown(), std::vector<std::string>{row.box}) << row.relative;
    EXPECT_EQ(unicode_.asked.size(), row.conversions) << row.relative;
  }
  EXPECT_EQ(shell_.opened,
            (std::vector<Path>{p(base + nfc + "1"), p(base + nfd + "2"),
                               p(base + nfd + "Mac\\" + nfc + "6"),
                               p(base + nfd + "Mac\\" + nfd + "7"),
                               p(base + nfd + "Mac\\" + nfc + "8")}));
  // ASCII names have no other form: GLib is not even asked.
  unicode_.asked.clear();
  EXPECT_EQ(open("zubdms:/x", "\\none\\missing.txt"), ExitCode::OpenFailed);
  EXPECT_TRUE(unicode_.asked.empty());
}

TEST_F(OpenDocument, BestFitCharactersGoOverInTheShortFormOrNotAtAll) {
  const std::string quote = "\uFF02", yen = "\u00A5";
  const std::string evil = "a" + quote + " --evil " + quote + "b.zuba";
  const std::string verbatim = "\\\\?\\C:\\Docs\\";
  for (const std::string& name : {evil, "100" + yen + ".pdf"}) {
    files_.finals[p("C:\\Docs\\" + name)] = p(verbatim + name);
  }
  files_.shorts[p(verbatim + evil)] = p(verbatim + "A__-~1YF.ZUB");
  files_.shorts[p(verbatim + "100" + yen + ".pdf")] = p(verbatim + "100" + yen + ".pdf");
  const auto not_opened = [](const std::string& name) {
    return "\nFehler beim normalisieren des Pfades : IO error\nURL: zubdms:/x\nFile: "
           "\\\\?\\C:\\Docs\\" + name + "\n";
  };
  struct Row {
    std::string name;
    testing::FakeCodePage code_page;
    ExitCode code;
    std::string handed_over;  // empty: nothing
    std::vector<std::string> boxes;
  };
  const std::string report = "Basedir \"C:\\\\Docs\"\nFile " + verbatim;
  const Row rows[] = {
      {evil, testing::code_page_1252(), ExitCode::Success, "C:\\Docs\\A__-~1YF.ZUB",
       {report + evil + "\nPath holds U+FF02, which ANSI programs read as \", handed over in its "
                        "short (8.3) form C:\\Docs\\A__-~1YF.ZUB\ndocument opened!"}},
      // The short form is the long name where a volume has no short names.
      {"100" + yen + ".pdf", testing::code_page_932(), ExitCode::ShellOpenFailed, "",
       {report + "100" + yen + ".pdf\nPath holds U+00A5, which ANSI programs read as \\, and no "
                               "short (8.3) form is free of such characters",
        not_opened("100" + yen + ".pdf")}},
  };
  for (const auto& row : rows) {
    ui_.boxes.clear();
    shell_.opened.clear();
    shell_.checked.clear();
    files_.short_asked.clear();
    code_page_ = row.code_page;
    EXPECT_EQ(open("zubdms:/x", "\\" + row.name, true), row.code) << row.name;
    EXPECT_EQ(shown(), row.boxes) << row.name;
    EXPECT_EQ(shell_.opened, row.handed_over.empty() ? std::vector<Path>{}
                                                     : std::vector<Path>{p(row.handed_over)})
        << row.name;
    // Refused before the shell is asked; the short form is looked up only for a best fit.
    if (row.handed_over.empty()) {
      EXPECT_TRUE(shell_.checked.empty()) << row.name;
    }
    const bool best_fit = row.boxes.front().find("ANSI") != std::string::npos;
    EXPECT_EQ(files_.short_asked.size(), best_fit ? 1u : 0u) << row.name;
  }
  // The long name gives the type, the short one goes over.
  EXPECT_EQ(shell_.opened_as.front(), p(verbatim + evil));
}

TEST_F(OpenDocument, DebugReportAfterOpening) {
  EXPECT_EQ(open("zubdms:/Projekte/Plan.pdf", "\\Projekte\\Plan.pdf", true), ExitCode::Success);
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].text,
            "Basedir \"C:\\\\Docs\"\nFile \\\\?\\C:\\Docs\\Projekte\\Plan.pdf\ndocument opened!");
  EXPECT_EQ(ui_.boxes[0].kind, MessageKind::Debug);

  // The file line shows a tab of the name escaped, as the base line does.
  EXPECT_EQ(open("zubdms:/a%09b.pdf", "\\a\tb.pdf", true), ExitCode::Success);
  ASSERT_EQ(ui_.boxes.size(), 2u);
  EXPECT_EQ(ui_.boxes[1].text,
            "Basedir \"C:\\\\Docs\"\nFile \\\\?\\C:\\Docs\\a\\tb.pdf\ndocument opened!");
}

TEST_F(OpenDocument, BaseDirectoryUnreadable) {
  struct Row {
    const char* name;
    bool key_exists;
    const char* detail;
  };
  const Row rows[] = {
      {"no key in either hive", false,
       "Error access the registry key : Error accessing registry key"},
      {"key without the value", true,
       "Error access the registry value : Error accessing registry value"},
  };
  for (const auto& row : rows) {
    MemoryRegistry memory;
    if (row.key_exists) memory.add_key(Hive::LocalMachine, kLauncherKeyPath);
    Registry registry(memory);
    testing::RecordingUi ui;
    Messages messages(ui, false);
    EXPECT_EQ(open_document(registry, {files_, shell_, unicode_, code_page_}, messages,
                            "zubdms:/a", "\\a"),
              ExitCode::OpenFailed)
        << row.name;
    ASSERT_EQ(ui.boxes.size(), 2u) << row.name;
    EXPECT_EQ(ui.boxes[0].text, "Error try to get base dir!") << row.name;
    EXPECT_EQ(ui.boxes[1].text, row.detail) << row.name;
    EXPECT_EQ(ui.boxes[1].kind, MessageKind::Error) << row.name;
  }
  EXPECT_TRUE(files_.asked.empty());
  EXPECT_TRUE(shell_.opened.empty());
}

TEST_F(OpenDocument, FailureCodesAndMessages) {
  const std::string not_found = IoError::from_os(2).text();
  struct Row {
    const char* name;
    std::string base_dir;
    std::string url;
    std::string relative;
    ExitCode code;
    std::string message;
  };
  const Row rows[] = {
      {"missing document", "C:\\Docs", "zubdms:/none.txt", "\\none.txt", ExitCode::OpenFailed,
       "\nFehler beim öffnen : " + not_found + "\nURL: zubdms:/none.txt\nFile: C:\\Docs\\none.txt\n"},
      {"NUL in the link", "C:\\Docs", "zubdms:/a%00b", std::string("\\a\0b", 4),
       ExitCode::OpenFailed,
       "\nFehler beim öffnen : strings passed to WinAPI cannot contain NULs\n"
       "URL: zubdms:/a%00b\nFile: C:\\Docs\\a\\0b\n"},
      // Link and file-system text cannot add lines of its own or reorder the message.
      {"line breaks in the link", "C:\\Docs", "zubdms:/a.txt%0A%0AWARNUNG",
       "\\a.txt\n\nWARNUNG", ExitCode::OpenFailed,
       "\nFehler beim öffnen : " + not_found + "\nURL: zubdms:/a.txt%0A%0AWARNUNG\n"
       "File: C:\\Docs\\a.txt\\n\\nWARNUNG\n"},
      {"line break in the base", "C:\\Gone\n", "zubdms:/x", "\\x", ExitCode::BaseDirNotCanonical,
       "\nFehler beim normalisieren des Basisverzeichnis : " + not_found +
           "\nBasisverzeichnis: C:\\Gone\\n\n"},
      {"override outside the base", "C:\\Docs", "zubdms:/../x%E2%80%AEtxt.exe",
       "\\..\\x\u202Etxt.exe", ExitCode::OutsideBaseDir,
       "Fehler:\nDie zu öffnende Datei C:\\Docs\\..\\x\\u{202e}txt.exe canonicalized to "
       "\\\\?\\C:\\x\\u{202e}txt.exe\nliegt nicht unter dem varnelo Basisverzeichnis C:\\Docs\n"},
      {"missing base, existing document", "C:\\Gone", "zubdms:/x", "\\x",
       ExitCode::BaseDirNotCanonical,
       "\nFehler beim normalisieren des Basisverzeichnis : " + not_found +
           "\nBasisverzeichnis: C:\\Gone\n"},
      {"missing document and missing base", "C:\\Gone", "zubdms:/y", "\\y", ExitCode::OpenFailed,
       "\nFehler beim öffnen : " + not_found + "\nURL: zubdms:/y\nFile: C:\\Gone\\y\n"},
      {"parent folder", "C:\\Docs", "zubdms:/%2E%2E/secret.txt", "\\..\\secret.txt",
       ExitCode::OutsideBaseDir,
       "Fehler:\nDie zu öffnende Datei C:\\Docs\\..\\secret.txt canonicalized to "
       "\\\\?\\C:\\secret.txt\nliegt nicht unter dem varnelo Basisverzeichnis C:\\Docs\n"},
      {"no slash after the scheme", "C:\\Docs", "zubdms:x.txt", "x.txt", ExitCode::OutsideBaseDir,
       "Fehler:\nDie zu öffnende Datei C:\\Docsx.txt canonicalized to \\\\?\\C:\\Docsx.txt\n"
       "liegt nicht unter dem varnelo Basisverzeichnis C:\\Docs\n"},
  };
  for (const auto& row : rows) {
    MemoryRegistry memory;
    memory.put_string(Hive::CurrentUser, kLauncherKeyPath, kBaseDirValueName, row.base_dir);
    if (row.base_dir.starts_with("C:\\Gone")) {
      files_.finals[p(row.base_dir + "\\x")] = p("\\\\?\\C:\\Gone\\x");
    }
    Registry registry(memory);
    testing::RecordingUi ui;
    Messages messages(ui, false);
    EXPECT_EQ(
        open_document(registry, {files_, shell_, unicode_, code_page_}, messages, row.url,
                      row.relative),
        row.code)
        << row.name;
    ASSERT_EQ(ui.boxes.size(), 1u) << row.name;
    EXPECT_EQ(ui.boxes[0].text, row.message) << row.name;
    EXPECT_EQ(ui.boxes[0].kind, MessageKind::Error) << row.name;
  }
  EXPECT_TRUE(shell_.opened.empty());
  // The NUL never reached the file system.
  for (const auto& asked : files_.asked) EXPECT_FALSE(contains_nul(asked));
}

TEST_F(OpenDocument, NothingOutsideTheBaseReachesTheShell) {
  const std::pair<const char*, const char*> rows[] = {
      {"zubdms:/../secret.txt", "\\..\\secret.txt"},
      {"zubdms:/../DocsX/a.txt", "\\..\\DocsX\\a.txt"},
      {"zubdms:/junction/a.txt", "\\junction\\a.txt"},
      {"zubdms:/link.txt", "\\link.txt"},
      {"zubdms:x.txt", "x.txt"},
  };
  for (const auto& [url, relative] : rows) {
    EXPECT_EQ(open(url, relative), ExitCode::OutsideBaseDir) << url;
  }
  EXPECT_TRUE(shell_.opened.empty());
  EXPECT_TRUE(shell_.checked.empty());
}

TEST_F(OpenDocument, SecondShellAttemptRescuesTheFirst) {
  files_.fulls[p("C:\\Docs\\Projekte\\Plan.pdf")] = p("C:\\Docs\\PROJEK~1\\Plan.pdf");
  shell_.results = {IoError::from_os(1155), std::nullopt};
  EXPECT_EQ(open("zubdms:/Projekte/Plan.pdf", "\\Projekte\\Plan.pdf"), ExitCode::Success);
  EXPECT_EQ(shell_.opened, (std::vector<Path>{p("C:\\Docs\\Projekte\\Plan.pdf"),
                                              p("C:\\Docs\\PROJEK~1\\Plan.pdf")}));
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(OpenDocument, AFailedShellAttemptIsNotRepeatedWithTheSamePath) {
  shell_.results = {IoError::from_os(1155), std::nullopt};
  EXPECT_EQ(open("zubdms:/Projekte/Plan.pdf", "\\Projekte\\Plan.pdf", true),
            ExitCode::ShellOpenFailed);
  EXPECT_EQ(shell_.opened.size(), 1u);
  EXPECT_EQ(shown(), std::vector<std::string>{
                         "\nFehler beim normalisieren des Pfades : IO error\n"
                         "URL: zubdms:/Projekte/Plan.pdf\n"
                         "File: \\\\?\\C:\\Docs\\Projekte\\Plan.pdf\n"});
}

TEST_F(OpenDocument, ExecutableContentIsNeverHandedOver) {
  shell_.executable = {p("C:\\Docs\\setup.exe")};
  EXPECT_EQ(open("zubdms:/setup.exe", "\\setup.exe"), ExitCode::ShellOpenFailed);
  EXPECT_TRUE(shell_.opened.empty());
  EXPECT_EQ(shown(), std::vector<std::string>{"\nFehler beim normalisieren des Pfades : IO error\n"
                                              "URL: zubdms:/setup.exe\n"
                                              "File: \\\\?\\C:\\Docs\\setup.exe\n"});
}

TEST(ShellOpen, TheDefaultVerbIsAskedForOnlyWhenTheTypeLacksOpen) {
  // ShellExecuteExW's code (hInstApp) and the last error after it.
  const std::tuple<std::uintptr_t, OsError, bool> rows[] = {
      {31, 1155, true},   // Windows: SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION
      {0, 0, true},       // Wine 8, for a class without the verb
      {2, 2, false},      // any other failure, file not found for one
      {0, 1223, false},   // ERROR_CANCELLED: the user declined a prompt
      {30, 0, false},     // SE_ERR_DDEBUSY: the application may have been started
  };
  for (const auto& [code, error, lacks] : rows) {
    EXPECT_EQ(lacks_verb(code, error), lacks) << code << " " << error;
  }
}

TEST(ShellOpen, Attempts) {
  const Path document = p("\\\\?\\C:\\Docs\\a.txt");
  FakeFiles files;
  files.finals[document] = document;

  {  // A second attempt only with another path; the first error is the one kept.
    const Path plain = p("C:\\Docs\\a.txt");
    files.finals[plain] = document;
    files.fulls[plain] = p("C:\\Docs\\A~1.TXT");
    FakeShell shell;
    shell.results = {IoError::from_os(1155), IoError::from_os(5)};
    const auto result = shell_open(files, shell, plain, plain);
    ASSERT_TRUE(result.has_error());
    EXPECT_EQ(result.error().io.code, 1155);
    EXPECT_EQ(shell.opened, (std::vector<Path>{plain, p("C:\\Docs\\A~1.TXT")}));
  }
  {  // When normalisation fails there is no second attempt.
    FakeShell shell;
    shell.results = {IoError::from_os(1155)};
    const Path missing = p("\\\\?\\C:\\Docs\\gone.txt");
    const auto result = shell_open(files, shell, missing, missing);
    ASSERT_TRUE(result.has_error());
    EXPECT_EQ(result.error().io.code, 1155);
    EXPECT_EQ(shell.opened.size(), 1u);
  }
  {  // A NUL never reaches the shell.
    FakeShell shell;
    const auto result = shell_open(files, shell, Path(u"C:\\a\0b", 6), p("C:\\a"));
    ASSERT_TRUE(result.has_error());
    EXPECT_EQ(result.error().io.kind, IoError::Kind::InvalidInput);
    EXPECT_EQ(result.error().io.text(), "path contains NUL byte(s)");
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(shell.checked.empty());
  }
  {  // A refusal is final: no second attempt, nothing opened.
    FakeShell shell;
    shell.executable = {document};
    const auto result = shell_open(files, shell, document, document);
    ASSERT_TRUE(result.has_error());
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(shell.checked.size(), 1u);
  }
}

}  // namespace
}  // namespace zub
