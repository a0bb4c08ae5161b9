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
  # the viewer: wxWidgets with its web view on WebKitGTK, GTK and X11 headers
  libwxgtk3.2-dev libwxgtk-webview3.2-dev libgtk-3-dev libwebkit2gtk-4.0-dev
  libx11-dev libxext-dev
  # the window's tests drive the pointer and keyboard through the X test extension
  libxtst-dev
  # clips play in the web view through GStreamer
  gstreamer1.0-plugins-good gstreamer1.0-libav
  # fonts metric-compatible with the window's Arial and Tahoma
  fonts-liberation fonts-wine
  # the windows-1251 locale for the code-page tests
  locales
  # tests: a virtual display and a window manager; the tool's JSON checked by python3
  xvfb xauth x11-utils openbox python3
  # scripts/show-sample.sh: window listing, pointer, screenshot and its crop
  x11-apps xdotool imagemagick
  # fuzzing and sanitizers
  clang "$clang_runtime"
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

# The code-page tests run once more with windows-1251 as the system code page.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.cp1251$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i ru_RU -f CP1251 ru_RU.CP1251
fi
