# Sourced by the set-up scripts: installs the Debian packages in "$@" that are missing.
ensure_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# What building and running the Linux build needs.
LINUX_PACKAGES=(cmake make g++ pkg-config libgtest-dev libgmock-dev libglib2.0-dev
  libglib2.0-bin shared-mime-info python3)

# Building the Debian package (dpkg-shlibdeps and file for CPack) and testing it: lintian, and
# the desktop's hand-over of links (update-desktop-database, xdg-open).
DEB_PACKAGES=(dpkg-dev file lintian desktop-file-utils xdg-utils)

# What building the Windows executable and its installer and testing them under Wine needs, with
# their signing (osslsigncode; openssl makes the tests' certificate).
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 python3-pefile wixl msitools
  wine64 osslsigncode openssl)

# The sanitizer build and the fuzz targets: clang 16 with its sanitizer and libFuzzer runtimes.
CLANG_PACKAGES=(clang-16 libclang-rt-16-dev)

# The tests with real browsers: Chromium driven through chromedriver, Firefox ESR through its own
# Marionette port, both under Xvfb, handing links to the desktop (xdg-open, GIO).
BROWSER_PACKAGES=(chromium chromium-driver xvfb xdg-utils python3-selenium firefox-esr)
