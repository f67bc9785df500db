#!/bin/bash
# Builds the launcher and shows it at work in a throw-away sandbox: the installation recorded in the
# registry stand-in, "-c", "-r", "-i", a document opened through the sandbox's default application,
# and a link that leaves the base folder refused.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure_packages.sh
ensure_packages "${LINUX_PACKAGES[@]}"

cmake --preset linux >/dev/null
cmake --build --preset linux --target zub_launcher >/dev/null
launcher="$PWD/build/linux/zub_launcher"

sandbox=$(mktemp -d /tmp/zub_demo.XXXXXX)
export HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/config" XDG_CONFIG_DIRS="$sandbox/xdg" \
  XDG_DATA_HOME="$sandbox/data" XDG_DATA_DIRS="$sandbox/sysdata"
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS/zub_launcher" "$XDG_DATA_HOME/applications" \
  "$XDG_DATA_DIRS" "$sandbox/opt/varnelo" "$sandbox/Dokumente/Projekte"
ln -s /usr/share/mime "$XDG_DATA_DIRS/mime"

# What an installation records: the installation directory, under HKEY_LOCAL_MACHINE.
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\varnelo\\launcher]\n@="%s"\n' \
  "$sandbox/opt/varnelo" >"$XDG_CONFIG_DIRS/zub_launcher/HKEY_LOCAL_MACHINE.reg"

# Documents: one inside the base folder, one beside it.
echo "Bauplan, Stand Dezember" >"$sandbox/Dokumente/Projekte/Plan 2026.txt"
echo "nicht für den Launcher" >"$sandbox/geheim.txt"

# The sandbox's default application for text files: a viewer that notes what it was given.
cat >"$sandbox/viewer.sh" <<VIEWER
#!/bin/sh
echo "Demo-Viewer hat geöffnet: \$1" >>"$sandbox/viewer.log"
VIEWER
chmod +x "$sandbox/viewer.sh"
printf '[Desktop Entry]\nType=Application\nName=Demo-Viewer\nExec=%s %%f\nMimeType=text/plain;\n' \
  "$sandbox/viewer.sh" >"$XDG_DATA_HOME/applications/zub-demo-viewer.desktop"
printf '[Default Applications]\ntext/plain=zub-demo-viewer.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"

step() {
  echo
  echo "\$ zub_launcher $*"
  set +e
  "$launcher" "$@" 2>&1
  echo "(exit code $?)"
  set -e
}

echo "Sandbox: $sandbox"
step -c "$sandbox/Dokumente"
step -r
step -i
step -d "zubdms:/Projekte/Plan%202026.txt"
for _ in $(seq 50); do [ -s "$sandbox/viewer.log" ] && break; sleep 0.1; done
cat "$sandbox/viewer.log"
step "zubdms:/../geheim.txt"
echo
echo "Registry stand-in of the current user ($XDG_CONFIG_HOME/zub_launcher/HKEY_CURRENT_USER.reg):"
cat "$XDG_CONFIG_HOME/zub_launcher/HKEY_CURRENT_USER.reg"
