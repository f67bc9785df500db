#pragma once

// The nineteen exit codes of a run; installers and scripts evaluate them.

#include <array>
#include <string_view>

namespace zub {

enum class ExitCode : unsigned {
  Success = 0,
  MissingArguments = 1,
  NotRegistered = 2,
  BaseDirNotSet = 3,
  NotRegisteredAndBaseDirNotSet = 4,
  OpenFailed = 5,
  RegisterSchemeFailed = 6,
  SetBaseDirFailed = 7,
  UnregisterSchemeFailed = 8,
  InvalidCombination = 9,
  // Also the code of every run in which no action was chosen.
  RegistrationMismatch = 10,
  InstallDirNotSet = 11,
  RegisterEventSourceFailed = 12,
  RemoveEventSourceFailed = 13,
  UrlFormat = 14,
  UrlDecode = 15,
  ShellOpenFailed = 16,
  OutsideBaseDir = 17,
  BaseDirNotCanonical = 18,
};

inline constexpr unsigned kExitCodeCount = 19;

// Exit status of a fatal internal error; lies outside the table above.
inline constexpr int kFatalExitStatus = 101;

// The meaning of each code, as the help screen lists it (index = code).
inline constexpr std::array<std::string_view, kExitCodeCount> kExitCodeMeanings = {
    "erfolgreich beendet",
    "es fehlen Argumente",
    "Launcher ist nicht registriert ( when called with -i )",
    "Varneloverzeichnis ist nicht gesetzt( when called with -i )",
    "Launcher ist nicht registriert und Varneloverzeichnis ist nicht gesetzt( when called with -i )",
    "Fehler bei dem Versuch eine Datei zu öffnen",
    "Fehler bei dem Versuch den Launcher zu registrieren",
    "Fehler bei dem Versuch das Varneloverzeichnis zu setzen",
    "Fehler bei dem Versuch den Launcher zu deregistrieren",
    "Ungültige Kombination von Argumente",
    "registrierter Launcher stimmt nicht mit Installationsverzeichnis überein;",
    "Installationsverzeichnis nicht gesetzt;",
    "Fehler beim registrieren der event source",
    "Fehler beim entfernen der event source",
    "Fehler im URL Format",
    "Fehler beim URLDECODE",
    "Fehler beim normalisieren des Pfades",
    "Datei liegt nicht im Varnelo Basisverzeichnis",
    "Fehler beim normalisieren des Basisverzeichnis",
};

constexpr unsigned to_number(ExitCode code) { return static_cast<unsigned>(code); }

}  // namespace zub
