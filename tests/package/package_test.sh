#!/usr/bin/env bash
# Builds the Debian package from a build tree with cpack, unpacks it into a
# temporary root and tries what a user gets from it: exactly the expected
# files, Depends found by dpkg-shlibdeps, the packaged programs answering
# --version and --help without a display, the packaged server seeding and
# listing a database, the desktop entry and the AppStream metainfo passing
# their validators, an icon of the right size for every theme size.
#   package_test.sh BUILD_DIR VERSION APP_ID
set -euo pipefail
build=$1
version=$2
app_id=$3

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in cpack dpkg-deb desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup-deps.sh installs it)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "cpack made ${#debs[@]} packages"
deb=${debs[0]}
[ "$(basename "$deb")" = "kiv_${version}_$(dpkg --print-architecture).deb" ] || fail "package named $(basename "$deb")"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# The control fields, with Depends from the libraries the programs link.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kiv ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = net ] || fail "Section: $(field Section)"
for lib in libqt6widgets6 libqt6multimedia6 libsqlite3-0 libcurl4 libc6; do
  [[ ", $(field Depends)," == *", $lib "* || ", $(field Depends)," == *", $lib,"* ]] ||
    fail "Depends lacks $lib: $(field Depends)"
done

root=$work/root
dpkg-deb -x "$deb" "$root"

# Exactly these files: no test programs, libraries or headers slip in.
sizes=(16 22 24 32 48 64 128 256)
expected=(usr/bin/kiv usr/bin/kiv-cli usr/bin/kiv-server usr/lib/systemd/system/kiv-server.service
  "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml")
for s in "${sizes[@]}"; do expected+=("usr/share/icons/hicolor/${s}x$s/apps/$app_id.png"); done
found=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
want=$(printf '%s\n' "${expected[@]}" | sort)
[ "$found" = "$want" ] || fail "files differ from the expected ones:
$(diff <(echo "$want") <(echo "$found") || true)"

# The programs run from the unpacked root, without a display.
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
out=$(run "$root/usr/bin/kiv" --version) || fail "kiv --version failed"
[[ "$out" == *"$version"* && "$out" == *"木棉的PC客户端公测版"* ]] || fail "kiv --version said: $out"
out=$(run "$root/usr/bin/kiv" --help) || fail "kiv --help failed"
[[ "$out" == *KIV_SERVER* && "$out" == *KIV_HOME* ]] || fail "kiv --help said: $out"
out=$(run "$root/usr/bin/kiv-server" --help) || fail "kiv-server --help failed"
[[ "$out" == *seed-demo* ]] || fail "kiv-server --help said: $out"
[ "$(run "$root/usr/bin/kiv-server" --version)" = "kiv-server $version" ] || fail "kiv-server --version"
[ "$(run "$root/usr/bin/kiv-cli" --version)" = "kiv-cli $version" ] || fail "kiv-cli --version"
run "$root/usr/bin/kiv-server" --db "$work/server.db" seed-demo >/dev/null || fail "kiv-server seed-demo failed"
out=$(run "$root/usr/bin/kiv-server" --db "$work/server.db" list) || fail "kiv-server list failed"
[[ "$out" == *13800000001* ]] || fail "kiv-server list shows no demo account"

# The desktop entry: valid, and naming the program, its icon and its menu.
desktop=$root/usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
for line in "Name=木棉" "Exec=kiv" "Icon=$app_id" "Type=Application"; do
  grep -qx "$line" "$desktop" || fail "desktop entry lacks $line"
done
grep -q '^Categories=.*Network;.*InstantMessaging;' "$desktop" || fail "desktop entry categories"

# The metainfo, checked with the tree around it (its launchable entry).
appstreamcli validate-tree --no-net "$root" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log" >&2; fail "appstreamcli validate-tree"; }
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "metainfo lacks the release $version"

# Every icon is a PNG as large as its folder says.
for s in "${sizes[@]}"; do
  png=$root/usr/share/icons/hicolor/${s}x$s/apps/$app_id.png
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  [ "$w" = "$s" ] && [ "$h" = "$s" ] || fail "icon ${s}x$s is ${w}x$h"
done
echo "package test passed"
