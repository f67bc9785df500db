#include "platform/posix/runnable_content_type.h"

namespace zub::posix {
namespace {

struct RunnableType {
  const char* type;
  std::string_view category;
};

// Each type counts with all that shared-mime-info derives from it: text/x-python3 is a
// text/x-python, a shell script an application/x-executable. Names that differ between
// shared-mime-info releases are all listed. The first type that matches names the category:
// scripts come before programs, so that a script derived from application/x-executable is
// called a script.
constexpr RunnableType kRunnableTypes[] = {
    // Run by an interpreter. A registry file is run by regedit, a shell archive by sh.
    {"application/x-shellscript", "script"}, {"application/x-csh", "script"},
    {"application/x-shar", "script"}, {"text/x-python", "script"}, {"text/x-python3", "script"},
    {"application/x-python-bytecode", "script"}, {"application/x-perl", "script"},
    {"application/x-ruby", "script"}, {"application/x-php", "script"}, {"text/tcl", "script"},
    {"text/x-tcl", "script"}, {"application/x-tcl", "script"}, {"text/x-lua", "script"},
    {"application/x-awk", "script"}, {"application/javascript", "script"},
    {"application/ecmascript", "script"}, {"text/javascript", "script"},
    {"application/x-powershell", "script"}, {"text/vbscript", "script"},
    {"application/x-bat", "script"}, {"text/x-ms-regedit", "script"},
    // Installed into the system, a browser or an office suite (before the programs: an Android
    // package derives from a Java archive).
    {"application/vnd.debian.binary-package", "package"}, {"application/x-rpm", "package"},
    {"application/x-source-rpm", "package"}, {"application/vnd.flatpak", "package"},
    {"application/vnd.flatpak.ref", "package"}, {"application/vnd.flatpak.repo", "package"},
    {"application/vnd.snap", "package"}, {"application/x-msi", "package"},
    {"application/x-xpinstall", "package"}, {"application/vnd.openofficeorg.extension", "package"},
    {"application/vnd.android.package-archive", "package"},
    // Started as they are: native programs, Windows programs (Wine may be their handler), Java.
    {"application/x-executable", "program"}, {"application/x-pie-executable", "program"},
    {"application/x-mach-binary", "program"}, {"application/vnd.appimage", "program"},
    {"application/x-iso9660-appimage", "program"}, {"application/x-ms-dos-executable", "program"},
    {"application/x-msdownload", "program"}, {"application/x-msdos-program", "program"},
    {"application/vnd.microsoft.portable-executable", "program"},
    {"application/x-ms-ne-executable", "program"}, {"application/x-java-archive", "program"},
    {"application/x-java-jnlp-file", "program"}, {"application/x-java", "program"},
    {"application/x-class-file", "program"},
    // Loaded into a program. shared-mime-info also types position-independent programs so.
    {"application/x-sharedlib", "library"},
    // Disk images that the desktop mounts when they are opened (GNOME's disk image mounter
    // through udisks): their files are then opened from the mounted image, not one of them
    // judged here. After the programs: an AppImage is a CD or Squashfs image that runs.
    {"application/x-cd-image", "disk image"}, {"application/vnd.efi.iso", "disk image"},
    {"application/x-raw-disk-image", "disk image"}, {"application/vnd.efi.img", "disk image"},
    {"application/x-raw-disk-image-xz-compressed", "disk image"},
    {"application/x-apple-diskimage", "disk image"}, {"application/vnd.squashfs", "disk image"},
    // Launchers: what they start is written inside.
    {"application/x-desktop", "desktop entry"}, {"application/x-ms-shortcut", "desktop entry"},
    {"application/x-mswinurl", "desktop entry"}, {"application/x-nautilus-link", "desktop entry"},
};

// Data formats that shared-mime-info derives from a runnable type only because they borrow its
// syntax. A type derived from one of these is data.
constexpr const char* kDataTypes[] = {
    // JSON is JavaScript's object notation, so application/json is a sub-class of
    // application/javascript; yet a JSON document (GeoJSON, JSON-LD, glTF, a notebook) runs
    // nothing when it is opened.
    "application/json",
    // The index of an icon or cursor theme, written as a desktop entry, but starting nothing.
    "application/x-theme",
};

}  // namespace

std::optional<std::string_view> runnable_category(const char* content_type,
                                                  const ContentTypeIsA& is_a) {
  for (const char* data : kDataTypes) {
    if (is_a(content_type, data)) return std::nullopt;
  }
  for (const auto& runnable : kRunnableTypes) {
    if (is_a(content_type, runnable.type)) return runnable.category;
  }
  return std::nullopt;
}

}  // namespace zub::posix
