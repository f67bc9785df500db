#include "platform/runnable_types.h"

#include <algorithm>

#include "common/ascii.h"
#include "platform/file_type.h"

namespace zub {
namespace {

// Types that run code, install something or lead somewhere else when the shell opens them,
// rather than show a document. Where AssocIsDangerous is a stub (Wine) and on Linux this list is
// what refuses them by name. It holds Windows' default PATHEXT, the types that Outlook blocks as
// attachments (Microsoft, "Blocked attachments in Outlook"), and the shell's other runnable types.
//
// Deliberately left out, so that they open: documents that merely may carry macros (.docm,
// .dotm, .xlsm, .xltm, .xlsb, .pptm, .potm, .ppsm, .sldm, .accdb and the like), whose
// applications guard their macros themselves and which a document system must hold; archives
// (.zip, .7z, .rar), which an archiver shows; web pages and images (.html, .svg), which a
// browser shows in its sandbox (web archives are not left out: see below).
constexpr std::u16string_view kRunnableTypes[] = {
    // Programs and what the shell starts like one.
    u".exe", u".com", u".scr", u".pif", u".cpl", u".msc", u".gadget", u".app", u".prg",
    u".fxp",
    // Scripts of the script hosts, shells and interpreters.
    u".bat", u".cmd", u".vbs", u".vbe", u".vb", u".vbp", u".bas", u".js", u".jse", u".ws",
    u".wsf", u".wsh", u".wsc", u".sct", u".hta", u".htc", u".asp", u".aspx",
    u".ps1", u".psm1", u".psd1", u".psdm1", u".ps1xml", u".ps2", u".ps2xml", u".psc1", u".psc2",
    u".pssc", u".cdxml", u".msh", u".msh1", u".msh2", u".mshxml", u".msh1xml", u".msh2xml",
    u".py", u".pyw", u".pyz", u".pyzw", u".pyc", u".pyo", u".pl", u".rb", u".sh", u".csh",
    u".ksh", u".ahk", u".au3", u".jar", u".jnlp", u".class", u".vsmacros",
    // Installers, packages and settings that change the system.
    u".msi", u".msp", u".mst", u".msu", u".appx", u".appxbundle", u".msix", u".msixbundle",
    u".appinstaller", u".application", u".appref-ms", u".xbap", u".vsto", u".vsix", u".ppkg",
    u".diagcab", u".diagcfg", u".diagpkg", u".cab", u".inf", u".ins", u".isp", u".reg",
    u".printerexport", u".theme", u".themepack", u".deskthemepack", u".udl", u".prf", u".ops",
    u".job",
    // Certificates, certificate stores and trust lists: opening one starts their import, and an
    // imported root certificate vouches for whatever it signs.
    u".cer", u".crt", u".der", u".p7b", u".pfx", u".p12", u".sst", u".stl", u".spc",
    // Shortcuts and shell files that lead elsewhere.
    u".lnk", u".url", u".website", u".webpnp", u".scf", u".shb", u".shs", u".xnk", u".grp",
    u".mcl", u".mcf", u".wsb", u".library-ms", u".search-ms", u".searchconnector-ms",
    u".settingcontent-ms", u".appcontent-ms", u".osd", u".asx", u".plg", u".bgi",
    // Connections to a machine that the file names: remote sessions (Remote Desktop, Citrix),
    // a RemoteApp workspace that subscribes to a server's programs, a Remote Assistance
    // invitation, and Excel's web and database queries, which fetch whatever the server sends.
    u".rdp", u".ica", u".wcx", u".msrcincident", u".iqy", u".dqy", u".rqy", u".oqy",
    // Office add-ins (both formats) and Access applications: code rather than documents.
    // SYLK sheets carry DDE formulas that start programs.
    u".xll", u".xla", u".xlam", u".ppa", u".ppam", u".slk", u".mdb", u".mde", u".mda", u".mdz",
    u".mdt", u".mdw", u".ade", u".adp", u".accde", u".mad", u".maf", u".mag", u".mam", u".maq",
    u".mar", u".mas", u".mat", u".mau", u".mav", u".maw", u".vsw",
    // Help and setup files whose viewers run commands (a WinHelp macro can start any program).
    u".chm", u".hlp", u".cnt", u".hpj", u".its",
    // Disk images the shell mounts: what is inside loses the mark of its origin.
    u".iso", u".img", u".vhd", u".vhdx",
    // Further types that Outlook blocks.
    u".pst", u".pcd", u".tmp",
    // Web archives, which Outlook on the web blocks. Unlike .html they are not a browser's
    // alone: on many installations their handler is the MSHTML engine (Internet Explorer, Edge's
    // IE mode), which runs their script and active content, and a file placed by a sync client
    // carries no mark of the web that would restrict it.
    u".mht", u".mhtml",
};

std::u16string_view trim_blanks(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

}  // namespace

bool has_runnable_extension(std::u16string_view path, std::u16string_view path_ext) {
  for (const auto& extension : shell_extensions(path)) {
    for (const auto type : kRunnableTypes) {
      if (equal_ignoring_ascii_case(extension, type)) return true;
    }
    std::size_t pos = 0;
    while (pos <= path_ext.size()) {
      const std::size_t end = std::min(path_ext.find(u';', pos), path_ext.size());
      const auto entry = trim_blanks(path_ext.substr(pos, end - pos));
      pos = end + 1;
      if (!entry.empty() && equal_ignoring_ascii_case(extension, entry)) return true;
    }
  }
  return false;
}

}  // namespace zub
