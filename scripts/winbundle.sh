#!/usr/bin/env bash
# Lays out what an office copies onto its share, and zips it:
#   SchedBoard.exe, sb_sound.dll, sb_print.dll, the DLLs they load (Qt's and
#   the mingw runtime's, found by following their imports), platforms/qwindows.dll,
#   styles/qwindowsvistastyle.dll and the installation data beside them.
#   licences/: the licence texts of the bundled libraries and a notice;
#   README.txt, the administrator's steps; Upgrade.cmd, which puts a new
#   version into a folder in use.
# Usage: winbundle.sh <board dir> <Qt prefix> <data dir> <out dir> <zip file>
#                     <version>
set -euo pipefail
bin=$1 qt=$2 data=$3 out=$4 zip=$5 version=$6
objdump=x86_64-w64-mingw32-objdump
# Where a DLL may come from: Qt, then the cross compiler's runtime.
search=("$qt/bin")
for d in /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib; do
  [ -d "$d" ] && search+=("$d")
done

rm -rf "$out"
mkdir -p "$out/platforms" "$out/styles"
cp "$bin/SchedBoard.exe" "$bin/sb_sound.dll" "$bin/sb_print.dll" "$out/"
cp "$qt/plugins/platforms/qwindows.dll" "$out/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$out/styles/"

# Every DLL imported, directly or not, that is not part of Windows itself.
queue=("$out/SchedBoard.exe" "$out/sb_sound.dll" "$out/sb_print.dll" "$out/platforms/qwindows.dll" "$out/styles/qwindowsvistastyle.dll")
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}; queue=("${queue[@]:1}")
  for dll in $("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
    [ -e "$out/$dll" ] && continue
    found=""
    for d in "${search[@]}"; do
      if [ -f "$d/$dll" ]; then
        cp "$d/$dll" "$out/"
        queue+=("$out/$dll")
        found=1
        break
      fi
    done
    [ -n "$found" ] && continue
    # Windows' own: mingw-w64 has an import library for each, and the
    # api-ms-win-* names are Windows' API sets. Anything else missing would
    # leave a board that does not start.
    lower=$(tr '[:upper:]' '[:lower:]' <<<"${dll%.*}")
    [ -f "/usr/x86_64-w64-mingw32/lib/lib$lower.a" ] || [[ $lower == api-ms-win-* ]] || {
      echo "winbundle: $(basename "$file") imports $dll, found neither here nor in Windows"; exit 1; }
  done
done

# Debug symbols are of no use on a share; without them the zip is a third.
find "$out" -name '*.dll' -o -name '*.exe' | xargs x86_64-w64-mingw32-strip --strip-unneeded

# The licences of everything bundled, and a notice of what it is and where
# its source is. A DLL no rule below knows stops the zip: it would go out
# without its licence.
lic=$out/licences
mkdir -p "$lic"
for f in qt-source LGPL-3.0.txt GPL-3.0.txt Qt-third-party.txt Qt-copyright.txt; do
  [ -s "$qt/licences/$f" ] || { echo "winbundle: $qt/licences/$f missing: run scripts/build-qt-mingw.sh"; exit 1; }
done
cp "$qt/licences/"*.txt "$lic/"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$lic/GCC-runtime-copyright.txt"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$lic/mingw-w64-copyright.txt"
qt_dlls="" gcc_dlls="" pthread_dlls=""
for f in "$out"/*.dll "$out"/platforms/*.dll "$out"/styles/*.dll; do
  rel=${f#"$out/"}
  rel=${rel//\//\\}
  case $(basename "$f") in
    sb_sound.dll|sb_print.dll) ;;
    Qt6*.dll|qwindows.dll|qwindowsvistastyle.dll) qt_dlls+=" $rel" ;;
    libgcc_s_*.dll|libstdc++-*.dll) gcc_dlls+=" $rel" ;;
    libwinpthread-*.dll) pthread_dlls+=" $rel" ;;
    *) echo "winbundle: no licence known for $rel"; exit 1 ;;
  esac
done
# The source package a binary package was built from, as "name version".
srcpkg() { dpkg-query -W -f='${source:Package} ${source:Version}\n' "$1" 2>/dev/null || echo "unknown unknown"; }
read -r qt_pkg qt_ver < "$qt/licences/qt-source"
read -r gcc_src gcc_ver < <(srcpkg gcc-mingw-w64-x86-64-posix-runtime)
read -r mingw_src mingw_ver < <(srcpkg mingw-w64-x86-64-dev)
gcc_release=$(dpkg-query -W -f='${Version}' gcc-mingw-w64-x86-64-posix-runtime 2>/dev/null || echo unknown)
gcc_release=${gcc_release%%-*}
cat > "$lic/README.txt" <<EOF
SchedBoard $version for Windows: what this folder holds, and under which licences

SchedBoard.exe, sb_sound.dll and sb_print.dll are SchedBoard's own.
Copyright (C) 2026 The SchedBoard developers. All rights reserved.

Beside them are libraries of others, each under its own licence, unchanged:

Qt ${qt_ver%%+*}:${qt_dlls}
  Licence: GNU Lesser General Public License version 3 (LGPL-3.0.txt, which
  adds its permissions to GPL-3.0.txt). The third-party code compiled into
  these libraries, with its licences: Qt-third-party.txt. Every source
  file's copyright and licence: Qt-copyright.txt.
  Source: Debian's source package $qt_pkg $qt_ver, unmodified, from
  Debian's archive ("apt-get source $qt_pkg=$qt_ver" on a Debian machine).
  SchedBoard's source holds the script that configured and built it (scripts/build-qt-mingw.sh). On request, the
  SchedBoard developers supply that source and script as well.

The GCC $gcc_release runtime:${gcc_dlls}
  Licence: GNU General Public License version 3 with the GCC Runtime Library
  Exception 3.1 (GCC-runtime-copyright.txt, GPL-3.0.txt), which lets these
  libraries go with a program of any licence.
  Source: Debian's source package $gcc_src $gcc_ver, which builds GCC
  $gcc_release from Debian's gcc-${gcc_release%%.*}-source
  ("apt-get source $gcc_src=$gcc_ver").

winpthreads (MinGW-w64):${pthread_dlls}
  Licence: MIT-style (mingw-w64-copyright.txt, under
  mingw-w64-libraries/winpthreads).
  Source: Debian's source package $mingw_src $mingw_ver
  ("apt-get source $mingw_src=$mingw_ver").

Replacing Qt's libraries
  SchedBoard contains none of Qt: it loads the Qt DLLs above from its own
  folder when it starts, so you may put another build of Qt in their
  place, for example one you changed. It must be Qt 6.4 or a later 6.x with
  the same modules, built for 64-bit Windows with MinGW-w64 GCC (posix
  threads) as shared libraries; a Qt built with Microsoft's compiler cannot
  be used. Close every board first, replace the Qt DLLs,
  platforms\qwindows.dll and styles\qwindowsvistastyle.dll together, and
  start a board to check.
EOF
# What an administrator reads first, with the CR LF line ends Notepad
# wants, and the upgrade script naming this version's program files.
win=$(dirname "$0")/../packaging/windows
sed -e "s/@VERSION@/$version/g" -e 's/\r*$/\r/' "$win/README.txt" > "$out/README.txt"
python3 "$(dirname "$0")/winupgrade.py" "$win/Upgrade.cmd" "$out"

# Notepad before Windows 10 shows a text without CR as one long line.
for f in "$lic"/*; do sed -i 's/\r*$/\r/' "$f"; done

(cd "$data" && find . -type f) | while read -r f; do
  mkdir -p "$out/$(dirname "$f")"
  cp "$data/$f" "$out/$f"
done

rm -f "$zip"
(cd "$out" && cmake -E tar cf "$zip" --format=zip -- *)
echo "$zip: $(du -k "$zip" | cut -f1) KB"
