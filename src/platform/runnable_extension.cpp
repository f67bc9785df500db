#include "platform/runnable_extension.h"

#include <algorithm>

#include "common/ascii.h"

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
    u".cer", u".crt", u".der", u".job",
    // Shortcuts and shell files that lead elsewhere.
    u".lnk", u".url", u".website", u".webpnp", u".scf", u".shb", u".shs", u".xnk", u".grp",
    u".mcl", u".mcf", u".rdp", u".wsb", u".library-ms", u".search-ms", u".searchconnector-ms",
    u".settingcontent-ms", u".appcontent-ms", u".iqy", u".osd", u".asx", u".plg", u".bgi",
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

// The extension of one name, after dropping trailing dots and blanks; empty when none.
std::u16string extension_of(std::u16string_view name) {
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.remove_suffix(1);
  const auto dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  return std::u16string(name.substr(dot));
}

}  // namespace

std::u16string_view last_name(std::u16string_view path) {
  const auto separator = path.find_last_of(u"\\/");
  return separator == std::u16string_view::npos ? path : path.substr(separator + 1);
}

std::vector<std::u16string> shell_extensions(std::u16string_view path) {
  const auto name = last_name(path);
  std::vector<std::u16string> extensions;
  if (auto whole = extension_of(name); !whole.empty()) extensions.push_back(std::move(whole));
  if (const auto colon = name.find(u':'); colon != std::u16string_view::npos) {
    if (auto before = extension_of(name.substr(0, colon)); !before.empty()) {
      extensions.push_back(std::move(before));
    }
  }
  return extensions;
}

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

bool is_program_content(std::string_view first_bytes, std::string_view header_bytes,
                        bool script_may_run) {
  if (first_bytes.starts_with("MZ")) {
    // The header of a Windows (PE), 16-bit Windows or OS/2 (NE), or VxD and OS/2 (LE, LX)
    // program. A DOS header alone, or text that begins with "MZ", runs nothing here.
    return header_bytes.starts_with(std::string_view("PE\0\0", 4)) ||
           header_bytes.starts_with("NE") || header_bytes.starts_with("LE") ||
           header_bytes.starts_with("LX");
  }
  if (first_bytes.starts_with("\x7F" "ELF")) {
    // EI_CLASS (32 or 64 bit), EI_DATA (little or big endian), EI_VERSION (current).
    const auto in = [](char byte, int low, int high) { return byte >= low && byte <= high; };
    return first_bytes.size() >= 7 && in(first_bytes[4], 1, 2) && in(first_bytes[5], 1, 2) &&
           first_bytes[6] == 1;
  }
  return script_may_run && first_bytes.starts_with("#!");
}

std::optional<std::uint32_t> program_header_offset(std::string_view first_bytes,
                                                   std::uint64_t file_size) {
  constexpr std::size_t kLfanew = 0x3C;
  if (!first_bytes.starts_with("MZ") || first_bytes.size() < kDosHeaderSize) return std::nullopt;
  std::uint32_t offset = 0;
  for (std::size_t i = 4; i-- > 0;) {
    offset = (offset << 8) | static_cast<unsigned char>(first_bytes[kLfanew + i]);
  }
  // The shortest signature ("NE") must fit inside the file.
  if (std::uint64_t{offset} + 2 > file_size) return std::nullopt;
  return offset;
}

FileVerdict judge_file(const FileFacts& facts) {
  if (facts.open_error == 0 && (facts.attributes & kAttributeDirectory) != 0) {
    return FileVerdict::Open;  // the shell opens a folder as "Folder"; its name decides nothing
  }
  if (facts.runnable_name) return FileVerdict::Refuse;
  if (const std::uint32_t error = facts.open_error != 0 ? facts.open_error : facts.read_error;
      error != 0) {
    switch (error) {
      // Held open without sharing, or locked: the application of the type will wait or say so.
      case kErrorSharingViolation:
      case kErrorLockViolation:
      // A placeholder whose data the provider cannot fetch now (not running, offline): the
      // application, which fetches it, will report that.
      case kErrorCloudFileProviderNotRunning:
      case kErrorCloudFileNetworkUnavailable:
      case kErrorCloudFileUnsuccessful:
      case kErrorCloudFileRequestAborted:
      case kErrorCloudFileAccessDenied:
      case kErrorCloudFileRequestCanceled:
      case kErrorCloudFileProviderTerminated:
        return FileVerdict::Open;
      default:  // access denied, a virus found, ...: nor could an application read it
        return FileVerdict::Refuse;
    }
  }
  if ((facts.attributes & kAttributeDevice) != 0) return FileVerdict::Refuse;
  // Reading an online-only file would make the launcher fetch it (with a "full" hydration
  // policy all of it) before any application shows progress.
  constexpr std::uint32_t kOnlineOnly =
      kAttributeOffline | kAttributeRecallOnOpen | kAttributeRecallOnDataAccess;
  if ((facts.attributes & kOnlineOnly) != 0) return FileVerdict::Open;
  if (!facts.content_read) return FileVerdict::ReadContent;
  return is_program_content(facts.first_bytes, facts.header_bytes, facts.script_may_run)
             ? FileVerdict::Refuse
             : FileVerdict::Open;
}

std::u16string association_class(std::u16string_view path) {
  auto extensions = shell_extensions(path);
  return extensions.empty() ? std::u16string(u".") : std::move(extensions.front());
}

}  // namespace zub
