#!/usr/bin/python3
"""Checks the resources that zub_launcher.exe must carry (version information, icon, manifest
and the event message table) and that it imports only DLLs that ship with Windows. Needs
Debian's python3-pefile (/usr/bin/python3).

Usage: check_resources.py ZUB_LAUNCHER_EXE   (exit status 1 and one line per fault)
"""

import struct
import sys

RT_ICON = 3
RT_MESSAGETABLE = 11
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24
LANG_EN_US = 1033


def _entry(text):
    # length 16, flags 1 (UTF-16), the text, then NUL units up to the entry's end
    data = text.encode("utf-16-le")
    return struct.pack("<HH", 16, 1) + data + b"\0" * (12 - len(data))


# The message table, written out from its layout: three blocks in ascending order of their
# identifiers, then five 16-byte entries whose text is "%1\r\n".
EXPECTED_MESSAGE_TABLE = (
    struct.pack("<I", 3)
    + struct.pack("<III", 0x40000003, 0x40000005, 40)
    + struct.pack("<III", 0x80000002, 0x80000002, 88)
    + struct.pack("<III", 0xC0000001, 0xC0000001, 104)
    + _entry("%1\r\n") * 5  # 0x40000003..5 at 40, 56, 72; 0x80000002 at 88; 0xC0000001 at 104
)
assert len(EXPECTED_MESSAGE_TABLE) == 120

EXPECTED_VERSION_STRINGS = {
    "FileVersion": "1.0.4",
    "ProductVersion": "1.0.4",
    "OriginalFilename": "zub_launcher.exe",
    "FileDescription": "zub_launcher",
    "ProductName": "zub_launcher",
}


# DLLs of every Windows installation. The C and C++ runtimes of the compiler (libstdc++-6.dll,
# libgcc_s_seh-1.dll, libwinpthread-1.dll) are linked in statically and must not appear.
WINDOWS_DLLS = {
    "advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ntdll.dll",
    "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "version.dll",
}


def foreign_dlls(names):
    """The DLL names (as the import table spells them) that do not ship with Windows."""
    return sorted(name for name in names if name.lower() not in WINDOWS_DLLS)


def imported_dlls(pe):
    names = []
    for table in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
        names += [entry.dll.decode("ascii", "replace") for entry in getattr(pe, table, [])]
    return names


def resources(pe):
    """{(type, name, language): bytes} of every resource."""
    found = {}
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in rtype.directory.entries:
            for lang in name.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                found[(rtype.id, name.id, lang.id)] = data
    return found


def version_strings(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                for key, value in table.entries.items():
                    strings[key.decode()] = value.decode()
    return strings


def check(exe_path):
    import pefile  # Debian's python3-pefile

    pe = pefile.PE(exe_path)
    faults = ["imports %s, which does not ship with Windows" % name
              for name in foreign_dlls(imported_dlls(pe))]
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return faults + ["no resource directory"]
    found = resources(pe)

    table = found.get((RT_MESSAGETABLE, 1, LANG_EN_US))
    if table is None:
        faults.append("no RT_MESSAGETABLE 1 in language 1033")
    elif table != EXPECTED_MESSAGE_TABLE:
        faults.append(f"message table differs: {table.hex()}")
    if sum(1 for key in found if key[0] == RT_MESSAGETABLE) != 1:
        faults.append("more than one message table")

    strings = version_strings(pe)
    for key, value in EXPECTED_VERSION_STRINGS.items():
        if strings.get(key) != value:
            faults.append(f"version string {key} is {strings.get(key)!r}, not {value!r}")
    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, "VS_FIXEDFILEINFO", None) else None
    if fixed is None:
        faults.append("no fixed version information")
    else:
        numeric = (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                   fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)
        product = (fixed.ProductVersionMS >> 16, fixed.ProductVersionMS & 0xFFFF,
                   fixed.ProductVersionLS >> 16, fixed.ProductVersionLS & 0xFFFF)
        if numeric != (1, 0, 4, 0) or product != (1, 0, 4, 0):
            faults.append(f"numeric versions {numeric} / {product}, not 1.0.4.0")

    if not any(key[0] == RT_GROUP_ICON for key in found):
        faults.append("no application icon (RT_GROUP_ICON)")
    if not any(key[0] == RT_ICON for key in found):
        faults.append("no icon images (RT_ICON)")

    manifests = [data for key, data in found.items() if key[0] == RT_MANIFEST and key[1] == 1]
    if len(manifests) != 1:
        faults.append(f"{len(manifests)} application manifests, not one")
    else:
        manifest = manifests[0].decode("utf-8")
        if 'level="asInvoker"' not in manifest or 'uiAccess="false"' not in manifest:
            faults.append("manifest does not request asInvoker without UI access")

    if pe.OPTIONAL_HEADER.Subsystem != 2:  # IMAGE_SUBSYSTEM_WINDOWS_GUI
        faults.append(f"subsystem {pe.OPTIONAL_HEADER.Subsystem}, not the GUI subsystem")
    return faults


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    faults = check(argv[1])
    for fault in faults:
        print(f"{argv[1]}: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
