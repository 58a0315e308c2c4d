#!/usr/bin/env bash
# Installs the build into a fresh folder and checks what lands there: the
# programs in bin/ and their manual pages, and a desktop entry, icons and
# AppStream metainfo that the validators accept and that name each other and
# the programs correctly.
# Usage: install-tree.sh CMAKE BUILD_DIR STAGE_DIR APP_ID VERSION PROGRAM...
set -euo pipefail
cmake=$1 build=$2 stage=$3 app_id=$4 version=$5
shift 5
programs=("$@")

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$stage"
"$cmake" --install "$build" --prefix "$stage" >/dev/null

for program in "${programs[@]}"; do
  [ -x "$stage/bin/$program" ] || fail "bin/$program is not installed"
done
if [[ " ${programs[*]} " == *" lum-brevix "* ]]; then
  [ "$("$stage/bin/lum-brevix" --version)" = "lum-brevix $version" ] || fail "the installed lum-brevix does not run"
fi

desktop=$stage/share/applications/$app_id.desktop
metainfo=$stage/share/metainfo/$app_id.metainfo.xml
sizes=(32 48 64 128 256)
icons=()
for size in "${sizes[@]}"; do icons+=("$stage/share/icons/hicolor/${size}x$size/apps/$app_id.png"); done
pages=()
for program in "${programs[@]}"; do pages+=("$stage/share/man/man1/$program.1.gz"); done
for file in "$desktop" "$metainfo" "${icons[@]}" "${pages[@]}"; do
  [ -f "$file" ] || fail "${file#"$stage"/} is not installed"
done

desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
appstreamcli validate --pedantic --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"

# Each manual page names its program and shows without a warning from man.
for page in "${pages[@]}"; do
  program=$(basename "$page" .1.gz)
  shown=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man cannot show $page"
  [ -z "$shown" ] || fail "man warns about ${page#"$stage"/}: $shown"
  grep -qF "$program \\- " <(gzip -dc "$page") || fail "${page#"$stage"/} does not name $program"
done

# The entry starts an installed program with the chosen file and shows the
# installed icon; file managers offer it for XML files.
key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Exec)" = "LUM_Brevix %f" ] || fail "Exec=$(key Exec) does not open one file with LUM_Brevix"
[ -x "$stage/bin/LUM_Brevix" ] || fail "LUM_Brevix is not installed"
[ "$(key Icon)" = "$app_id" ] || fail "Icon=$(key Icon) is not the installed icon $app_id"
update-desktop-database "$stage/share/applications"
for type in application/xml text/xml; do
  grep -q "^$type=\(.*;\)\?$app_id\.desktop;" "$stage/share/applications/mimeinfo.cache" ||
    fail "the desktop database does not list $app_id.desktop for $type"
done
grep -qx 'Categories=Utility;' "$desktop" || fail "the entry is not in the Utility category"
for field in Name Comment; do
  [ -n "$(key $field)" ] || fail "the entry has no $field"
done
grep -q '^Comment=.*[ěščřžýáíéůú]' "$desktop" || fail "the entry's comment is not Czech"

# Each icon is a PNG of the size its folder names.
for i in "${!sizes[@]}"; do
  icon=${icons[$i]} size=${sizes[$i]}
  [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "${icon#"$stage"/} is no PNG"
  [ "$(od -An -tu4 --endian=big -j16 -N8 "$icon" | tr -s ' ' | sed 's/^ //;s/ $//')" = "$size $size" ] ||
    fail "${icon#"$stage"/} is not ${size}x$size"
done

# The metainfo launches this entry, names the programs and this version.
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $app_id.desktop"
for program in "${programs[@]}"; do
  grep -q "<binary>$program</binary>" "$metainfo" || fail "the metainfo does not name $program"
done
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

echo "install tree in $stage: ${#programs[@]} programs and their manual pages, desktop entry, ${#icons[@]} icons and metainfo valid"
