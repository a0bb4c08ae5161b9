#!/usr/bin/env bash
# Installs everything courseview needs to build, test and run on Debian 12.
# Safe to run again: packages already present are left alone.
set -euo pipefail

# The sanitizer and libFuzzer runtimes of Debian 12's clang (14). On another
# release, name its clang's: libclang-rt-N-dev for clang N.
clang_runtime=libclang-rt-14-dev

packages=(
  # build, and the formatting check that comes first in scripts/test.sh
  build-essential cmake ninja-build pkg-config libgtest-dev googletest git clang-format
  # the viewer: wxWidgets on GTK, and WebKitGTK, which the browser pane drives
  # itself (wxWebView gives no hold on how pages reach the engine), X11 headers
  libwxgtk3.2-dev libgtk-3-dev libwebkit2gtk-4.0-dev
  libx11-dev libxext-dev
  # the window's tests drive the pointer and keyboard through the X test extension
  libxtst-dev
  # clips play in the web view through GStreamer
  gstreamer1.0-plugins-good gstreamer1.0-libav
  # fonts metric-compatible with the window's Arial and Tahoma
  fonts-liberation fonts-wine
  # the windows-1251 locale for the code-page tests
  locales
  # a real NTFS volume (mkntfs, mounted through FUSE) that the name-order test
  # compares its listing with, and that makes the NTFS upper-case table
  ntfs-3g
  # tests: a virtual display and a window manager; the tool's JSON checked by python3
  xvfb xauth x11-utils openbox python3
  # scripts/show-sample.sh: window listing, pointer, screenshot and its crop
  x11-apps xdotool imagemagick
  # fuzzing and sanitizers
  clang "$clang_runtime"
  # the Debian package (scripts/build-deb.sh): dpkg-shlibdeps, and the checks
  # of its desktop entry, AppStream metadata and the package itself
  dpkg-dev desktop-file-utils appstream lintian
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ "${#missing[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The code-page tests run once more under each of these locales: windows-1251
# as the locale's own codeset, and UTF-8 locales whose language picks the code
# page old pages were written in (windows-1251 for Russian, windows-1252 else).
for locale_entry in ru_RU:CP1251:cp1251 ru_RU:UTF-8:utf8 en_US:UTF-8:utf8; do
  IFS=: read -r language charset listed <<<"$locale_entry"
  if ! locale -a 2>/dev/null | grep -qi "^${language}\.${listed}\$"; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo localedef -i "$language" -f "$charset" "$language.$charset"
  fi
done
