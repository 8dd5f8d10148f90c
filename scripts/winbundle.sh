#!/usr/bin/env bash
# Lays out what an office copies onto its share, and zips it:
#   SchedBoard.exe, sb_sound.dll, the DLLs they load (Qt's and the mingw
#   runtime's, found by following their imports), platforms/qwindows.dll,
#   styles/qwindowsvistastyle.dll and the installation data beside them.
# Usage: winbundle.sh <board dir> <Qt prefix> <data dir> <out dir> <zip file>
set -euo pipefail
bin=$1 qt=$2 data=$3 out=$4 zip=$5
objdump=x86_64-w64-mingw32-objdump
# Where a DLL may come from: Qt, then the cross compiler's runtime.
search=("$qt/bin")
for d in /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib; do
  [ -d "$d" ] && search+=("$d")
done

rm -rf "$out"
mkdir -p "$out/platforms" "$out/styles"
cp "$bin/SchedBoard.exe" "$bin/sb_sound.dll" "$out/"
cp "$qt/plugins/platforms/qwindows.dll" "$out/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$out/styles/"

# Every DLL imported, directly or not, that is not part of Windows itself.
queue=("$out/SchedBoard.exe" "$out/sb_sound.dll" "$out/platforms/qwindows.dll" "$out/styles/qwindowsvistastyle.dll")
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}; queue=("${queue[@]:1}")
  for dll in $("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
    [ -e "$out/$dll" ] && continue
    for d in "${search[@]}"; do
      if [ -f "$d/$dll" ]; then
        cp "$d/$dll" "$out/"
        queue+=("$out/$dll")
        break
      fi
    done
  done
done

# Debug symbols are of no use on a share; without them the zip is a third.
find "$out" -name '*.dll' -o -name '*.exe' | xargs x86_64-w64-mingw32-strip --strip-unneeded

(cd "$data" && find . -type f) | while read -r f; do
  mkdir -p "$out/$(dirname "$f")"
  cp "$data/$f" "$out/$f"
done

rm -f "$zip"
(cd "$out" && cmake -E tar cf "$zip" --format=zip -- *)
echo "$zip: $(du -k "$zip" | cut -f1) KB"
