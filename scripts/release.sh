#!/usr/bin/env bash
# Makes a release of TavNote from a clean, unchecked release build (default folder build-release/):
#   TavNote-<version>-win64.zip  the installation folder, as the folder TavNote\
#   TavNote-<version>-setup.exe  the NSIS installer (per user, no administrator rights)
# Both land in $TAV_BUILD/release/. Only the shipped files are taken: TavNote.exe, help.chm, sysres\
# and tavnote_reicon\; notes or settings left in the build's installation folder by a trial run
# never reach a release.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
export TAV_BUILD=${TAV_BUILD:-$root/build-release}

bash "$here/setup.sh"
TAV_BUILD_TYPE=Release bash "$here/build.sh" \
  -DTAVNOTE_TESTS=OFF -DTAVNOTE_BENCH=OFF -DTAVNOTE_CHECKED=OFF

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$TAV_BUILD/CMakeCache.txt")
[ -n "$version" ] || { echo "release: no project version in $TAV_BUILD/CMakeCache.txt" >&2; exit 1; }
install_dir="$TAV_BUILD/TavNote"
out="$TAV_BUILD/release"
stage="$out/stage/TavNote"

rm -rf "$out/stage"
mkdir -p "$stage/sysres" "$stage/tavnote_reicon/default"
for f in TavNote.exe help.chm sysres/TavNote.ico sysres/TavNote.png; do
  [ -s "$install_dir/$f" ] || { echo "release: $install_dir/$f is missing" >&2; exit 1; }
done
cp "$install_dir/TavNote.exe" "$install_dir/help.chm" "$stage/"
cp "$install_dir"/sysres/*.png "$install_dir/sysres/TavNote.ico" "$stage/sysres/"
cp "$install_dir"/tavnote_reicon/default/*.png "$stage/tavnote_reicon/default/"
x86_64-w64-mingw32-strip "$stage/TavNote.exe"

# Windows compares file names without case: two names differing only in case would overwrite
# each other when the zip is unpacked or the installer runs.
clash=$(cd "$out/stage" && find TavNote -type f | tr '[:upper:]' '[:lower:]' | sort | uniq -d)
[ -z "$clash" ] || { echo "release: file names differing only in case: $clash" >&2; exit 1; }

zip_file="$out/TavNote-$version-win64.zip"
rm -f "$zip_file"
(cd "$out/stage" && zip -q -r -X -9 "$zip_file" TavNote)

# The uninstaller removes exactly the files installed, so icons a user added to the row-icon folder
# and the data beside the executable stay.
list="$out/stage/uninstall-files.nsh"
(cd "$stage" && find sysres tavnote_reicon -type f | sort) |
  sed 's|/|\\|g; s|^|  Delete "$INSTDIR\\|; s|$|"|' > "$list"

setup_file="$out/TavNote-$version-setup.exe"
rm -f "$setup_file"
makensis -INPUTCHARSET UTF8 -V2 -DSTAGE="$stage" -DOUTFILE="$setup_file" -DVERSION="$version" \
  -DFILELIST="$list" "$root/resources/installer/TavNote.nsi"

echo "release: $zip_file"
echo "release: $setup_file"
(cd "$out" && sha256sum "$(basename "$zip_file")" "$(basename "$setup_file")")
