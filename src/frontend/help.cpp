#include "frontend/help.h"

#include "common/exit_code.h"
#include "config/config_report.h"
#include "version.h"

namespace zub {

std::string help_text(std::string_view program_name, std::string_view config_report) {
  std::string text;
  text.reserve(2048 + program_name.size() + config_report.size());
  text += "Varnelo DMS Lancher version " ZUB_VERSION_TEXT "\n";
  text += "\n";
  text += "Das Programm dient zum öffnen von lokal synchronisierten Dateien aus Varnelo\n";
  text += "\n";
  text += "\n";
  text += "Aufruf:\n";
  text += program_name;
  text += " url | -h | -i | -r  | -c baseDir | -d | -u | -l | -x\n";
  text += "\n";
  text += "Optionen:\n";
  text += "   url - url zur Datei  url in der Form zubdms:/pfad relativ zum Nextcoud ZUB Verzeichnis\n";
  text += "   -h - zeige Hilfe\n";
  text += "   -i - zeige Konfiguration\n";
  text += "   -r - registriere zubdms:/\n";
  text += "   -l - register Zub_launcher as event source\n";
  text += "   -x - unregister Zub_launcher as event source\n";
  text += "   -c - setze das Varneloverzeichnis\n";
  text += "   -d - erweiterte Debugausgabe\n";
  text += "   -u - deregistriere zubdms:/\n";
  text += "   \n";
  text += "    Returncodes:\n";
  for (unsigned code = 0; code < kExitCodeCount; ++code) {
    text += "    ";
    text += std::to_string(code);
    text += ' ';
    text += kExitCodeMeanings[code];
    text += '\n';
  }
  text += "    ";
  text += config_report;
  text += '\n';
  return text;
}

void show_help(Registry& registry, Messages& messages, std::string_view program_name) {
  const std::string report = build_config_report(registry);
  messages.show_info(help_text(program_name, report));
}

}  // namespace zub
