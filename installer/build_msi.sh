#!/bin/sh
# Builds the installer from zub_launcher.wxs beside this script with wixl (msitools), in the
# folder of the executable: wixl finds a File's Source only relative to its working directory.
#
#   build_msi.sh VERSION EXECUTABLE OUTPUT      e.g. build_msi.sh 1.0.4 zub_launcher.exe x.msi
set -eu
version=$1 executable=$2 output=$3

# Active Setup compares versions written with commas.
wixl -a x64 -D Version="$version" -D ActiveSetupVersion="$(printf %s "$version" | tr . ,)" \
  -D LauncherExe="$executable" -o "$output" "$(dirname "$0")/zub_launcher.wxs"

# wixl lists only the upgrade rows' properties as secure; the public ones must reach the
# installation's server side as well, also when it runs elevated for a user who is no
# administrator.
upgrade=$(msiinfo export "$output" Property | tr -d '\r' | sed -n 's/^SecureCustomProperties\t//p')
msibuild "$output" -q "UPDATE Property SET Value = 'INSTALLDIR;BASEDIR;USERBASEDIR;$upgrade' \
WHERE Property = 'SecureCustomProperties'"
