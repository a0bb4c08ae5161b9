#!/usr/bin/env bash
# Builds the Debian package build-deb/courseview_VERSION_ARCH.deb: a release
# build with Debian's hardening flags, installed under /usr, its dependencies
# from dpkg-shlibdeps plus the plugins and fonts the viewer needs at run time.
# Then checks it with desktop-file-validate, appstreamcli and lintian and
# prints what they say; any error from them fails the script.
#
#   scripts/build-deb.sh            then: sudo apt-get install ./build-deb/courseview_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
rm -rf build-deb/_CPack_Packages build-deb/courseview_*.deb
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCOURSEVIEW_BUILD_TESTS=OFF >/dev/null
cmake --build build-deb
(cd build-deb && cpack -G DEB >/dev/null)
package="$(ls build-deb/courseview_*.deb)"

# The package's own files, unpacked, are what the validators look at.
contents="$(mktemp -d)"
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$package" "$contents"
failed=0
echo "== desktop-file-validate"
desktop-file-validate "$contents"/usr/share/applications/*.desktop || failed=1
echo "== appstreamcli validate"
appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.xml || failed=1
echo "== lintian"
lintian --tag-display-limit 0 --display-info "$package" || failed=1
echo "== $package"
dpkg-deb --field "$package" Depends
[ "$failed" -eq 0 ] || { echo "the package has errors (above)"; exit 1; }
