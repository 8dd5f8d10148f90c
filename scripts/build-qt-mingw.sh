#!/usr/bin/env bash
# Builds Qt 6.4.2 for x86_64-w64-mingw32 from Debian's own qt6-base source,
# once, into a cache outside the repository. The host's Qt 6 (the same
# version) supplies moc, rcc and uic. Usage: build-qt-mingw.sh [prefix]
# Installs what the Windows build needs from Debian each time (mingw, ninja),
# then builds Qt only when <prefix>/bin/qt-cmake is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${SCHEDBOARD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/schedboard}
prefix=${1:-$cache/qt-6.4.2-mingw64}
jobs=${JOBS:-2}

sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
need=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
      ninja-build cmake perl python3 dpkg-dev qt6-base-dev qt6-base-dev-tools)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The licence texts that must travel with Qt's DLLs, and the source they
# were built from, kept with the build (winbundle.sh puts them in the zip).
licences=$prefix/licences
[ -x "$prefix/bin/qt-cmake" ] && [ -s "$licences/qt-source" ] && { echo "Qt for Windows: $prefix"; exit 0; }

work=$cache/qt-src
mkdir -p "$work"
src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
if [ -z "$src" ]; then
  # A private apt configuration, so the system's sources stay as they are:
  # source entries for the archives this machine already takes its packages
  # from (its sources.list and sources.list.d, either format), so the source
  # comes from wherever Debian's packages come from here.
  apt=$work/apt
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial"
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  eval "$(apt-config shell sourcelist Dir::Etc::sourcelist/f sourceparts Dir::Etc::sourceparts/d)"
  python3 "$here/scripts/aptsources.py" --suite "$suite" --out "$apt/sources.list.d" \
    "$sourcelist" "$sourceparts"/*.list "$sourceparts"/*.sources
  aptopts=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$apt/sources.list.d"
           -o "Dir::State::Lists=$apt/lists")
  apt-get "${aptopts[@]}" update -qq
  (cd "$work" && apt-get "${aptopts[@]}" source -qq qt6-base)
  src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
fi
[ -n "$src" ] || { echo "qt6-base source not found in $work"; exit 1; }

hostlib=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
gather_licences() {
  python3 "$here/scripts/qtlicences.py" "$src" "$licences"
  local dsc
  dsc=$(find "$work" -maxdepth 1 -name 'qt6-base_*.dsc' | head -n1)
  [ -n "$dsc" ] || { echo "no qt6-base .dsc in $work"; exit 1; }
  sed -n 's/^Source: //p; s/^Version: //p' "$dsc" | head -n2 | paste -sd' ' > "$licences/qt-source"
}
# A Qt built before its licences were kept needs only them.
if [ -x "$prefix/bin/qt-cmake" ]; then
  gather_licences
  echo "Qt for Windows: $prefix"
  exit 0
fi

# Qt remembers its toolchain file: a copy in the cache outlives the checkout.
cp "$here/cmake/mingw64.cmake" "$cache/mingw64.cmake"
bld=$work/build
mkdir -p "$bld"
if [ ! -f "$bld/CMakeCache.txt" ]; then
  cmake -S "$src" -B "$bld" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$cache/mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$hostlib/cmake" \
    -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
    -DFEATURE_dynamicgl=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_tabletevent=OFF
fi
# The install step wants every default target, not just the ones we link.
cmake --build "$bld" --parallel "$jobs"
cmake --install "$bld"
gather_licences
echo "Qt for Windows: $prefix"
