#!/usr/bin/env bash
# Builds the Debian package build/package/markerreport_<version>_<arch>.deb with
# dpkg-buildpackage from a clean copy of the source tree. The version is the CMake
# project version. Installs the Debian packages the build needs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
out="$build/package"

bash "$root/tools/install_deps.sh" build-essential debhelper dpkg-dev cmake qtbase5-dev \
  libqt5webkit5-dev fonts-liberation2 poppler-utils

version="$(sed -n 's/^project([A-Za-z]* VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
if [ -z "$version" ]; then
  echo "package.sh: no project version in $root/CMakeLists.txt" >&2
  exit 1
fi
arch="$(dpkg --print-architecture)"
deb="$out/markerreport_${version}_${arch}.deb"

# A copy without build trees, so nothing of an earlier build reaches the package.
rm -rf "$out"
src="$out/markerreport-$version"
mkdir -p "$src"
excludes=(--exclude=./.git --exclude='./build*' --exclude=./demo-run)
case "$build/" in
  "$root"/*) excludes+=("--exclude=./${build#"$root"/}") ;;
esac
tar -C "$root" "${excludes[@]}" -cf - . | tar -C "$src" -xf -

# The changelog names the version of the package; an entry follows the project version.
logged="$(cd "$src" && dpkg-parsechangelog -S Version)"
if [ "$logged" != "$version" ]; then
  echo "package.sh: debian/changelog is at $logged, the project at $version: adding an entry"
  {
    printf 'markerreport (%s) unstable; urgency=medium\n\n' "$version"
    printf '  * MarkerReport %s.\n\n' "$version"
    printf ' -- %s  %s\n\n' "$(sed -n 's/^Maintainer: //p' "$src/debian/control")" "$(date -R)"
    cat "$src/debian/changelog"
  } > "$src/debian/changelog.new"
  mv "$src/debian/changelog.new" "$src/debian/changelog"
fi

# Rebuilds of the package reuse the compiler cache where there is one; debhelper moves
# HOME, so the cache is named explicitly.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
  CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir)}"
  export CCACHE_DIR
fi

echo "Building $deb (log: $out/build.log)"
# The tests run in CI from the source tree, not again inside the package build.
if ! (cd "$src" && DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}" \
      dpkg-buildpackage -b -us -uc) > "$out/build.log" 2>&1; then
  tail -n 60 "$out/build.log" >&2
  echo "package.sh: dpkg-buildpackage failed; the whole log is $out/build.log" >&2
  exit 1
fi
if [ ! -s "$deb" ]; then
  echo "package.sh: dpkg-buildpackage did not write $deb" >&2
  exit 1
fi
rm -rf "$src"
echo "$deb"
