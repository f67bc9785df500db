// The help text, byte for byte.

#include <gtest/gtest.h>

#include <string>

#include "frontend/help.h"

namespace zub {
namespace {

constexpr const char* kExpectedHead =
    "Varnelo DMS Lancher version 1.0.4\n"
    "\n"
    "Das Programm dient zum \xC3\xB6" "ffnen von lokal synchronisierten Dateien aus Varnelo\n"
    "\n"
    "\n"
    "Aufruf:\n";

constexpr const char* kExpectedTail =
    " url | -h | -i | -r  | -c baseDir | -d | -u | -l | -x\n"
    "\n"
    "Optionen:\n"
    "   url - url zur Datei  url in der Form zubdms:/pfad relativ zum Nextcoud ZUB Verzeichnis\n"
    "   -h - zeige Hilfe\n"
    "   -i - zeige Konfiguration\n"
    "   -r - registriere zubdms:/\n"
    "   -l - register Zub_launcher as event source\n"
    "   -x - unregister Zub_launcher as event source\n"
    "   -c - setze das Varneloverzeichnis\n"
    "   -d - erweiterte Debugausgabe\n"
    "   -u - deregistriere zubdms:/\n"
    "   \n"
    "    Returncodes:\n"
    "    0 erfolgreich beendet\n"
    "    1 es fehlen Argumente\n"
    "    2 Launcher ist nicht registriert ( when called with -i )\n"
    "    3 Varneloverzeichnis ist nicht gesetzt( when called with -i )\n"
    "    4 Launcher ist nicht registriert und Varneloverzeichnis ist nicht gesetzt( when called with -i )\n"
    "    5 Fehler bei dem Versuch eine Datei zu \xC3\xB6" "ffnen\n"
    "    6 Fehler bei dem Versuch den Launcher zu registrieren\n"
    "    7 Fehler bei dem Versuch das Varneloverzeichnis zu setzen\n"
    "    8 Fehler bei dem Versuch den Launcher zu deregistrieren\n"
    "    9 Ung\xC3\xBCltige Kombination von Argumente\n"
    "    10 registrierter Launcher stimmt nicht mit Installationsverzeichnis \xC3\xBC" "berein;\n"
    "    11 Installationsverzeichnis nicht gesetzt;\n"
    "    12 Fehler beim registrieren der event source\n"
    "    13 Fehler beim entfernen der event source\n"
    "    14 Fehler im URL Format\n"
    "    15 Fehler beim URLDECODE\n"
    "    16 Fehler beim normalisieren des Pfades\n"
    "    17 Datei liegt nicht im Varnelo Basisverzeichnis\n"
    "    18 Fehler beim normalisieren des Basisverzeichnis\n"
    "    ";

struct HelpRow {
  const char* name;
  std::string program_name;
  std::string report;
};

TEST(HelpText, ByteForByte) {
  const HelpRow rows[] = {
      {"default name, nothing configured", "zub_launcher.exe",
       "Fehler Installationsverzeichnis kann nicht ermittelt werden Error accessing registry key\n"
       "Fehler Varnelo Verzeichnis kann nicht ermittelt werden Error accessing registry key\n"
       "Der Launcher ist nicht registriert! "},
      {"path with blanks, unquoted", "C:\\Program Files\\Varnelo\\zub_launcher.exe",
       "Launcher Installationsverzeichnis C:\\Program Files\\Varnelo\n"
       "Varnelo Verzeichnis D:\\Nextcloud\\ZUB\n"
       "registered command for zubdms \"C:\\Program Files\\Varnelo\\varnelo.exe\" \"%1\""},
      {"empty name and report", "", ""},
  };
  for (const auto& row : rows) {
    const std::string expected =
        kExpectedHead + row.program_name + kExpectedTail + row.report + "\n";
    EXPECT_EQ(help_text(row.program_name, row.report), expected) << row.name;
  }
}

TEST(HelpText, HasFortyLinesBeforeTheReportsOwnLines) {
  const std::string text = help_text("zub_launcher.exe", "one line");
  std::size_t line_feeds = 0;
  for (char c : text) line_feeds += c == '\n' ? 1 : 0;
  EXPECT_EQ(line_feeds, 40u);
  EXPECT_EQ(text.substr(text.size() - 13), "    one line\n");
}

}  // namespace
}  // namespace zub
