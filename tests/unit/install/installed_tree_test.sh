#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# installed_tree_test.sh CMAKE BUILD_DIR VERSION
set -euo pipefail
cmake=$1 build=$2 version=$3

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

app=org.lanvaro.Lanvaro
for f in bin/lanvaro bin/lanvaro-cli bin/lanvaro-relay share/applications/$app.desktop \
         share/icons/hicolor/scalable/apps/$app.svg share/metainfo/$app.metainfo.xml \
         share/man/man1/lanvaro.1.gz share/man/man1/lanvaro-cli.1.gz share/man/man8/lanvaro-relay.8.gz \
         lib/systemd/system/lanvaro-relay.service share/doc/lanvaro/examples/relay.conf \
         share/doc/lanvaro/copyright share/doc/lanvaro/changelog.gz; do
  [ -f "$prefix/$f" ] || fail "$f not installed"
done
[ "$(ls "$prefix/bin")" = "$(printf 'lanvaro\nlanvaro-cli\nlanvaro-relay')" ] || fail "bin/ holds more than the three programs: $(ls "$prefix/bin")"
# The unit starts the program where this install put it.
grep -qx "ExecStart=$prefix/bin/lanvaro-relay" "$prefix/lib/systemd/system/lanvaro-relay.service" || fail "the unit names another program"

desktop-file-validate "$prefix/share/applications/$app.desktop" || fail "desktop entry does not validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" >/dev/null || fail "metainfo does not validate"
grep -q '^Icon=org.lanvaro.Lanvaro$' "$prefix/share/applications/$app.desktop" || fail "desktop entry names another icon"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$app.metainfo.xml" || fail "metainfo lacks release $version"
zcat "$prefix/share/man/man1/lanvaro-cli.1.gz" | grep -q "Lanvaro $version" || fail "manual page lacks the version"

for program in lanvaro lanvaro-cli lanvaro-relay; do
  [ "$("$prefix/bin/$program" --version)" = "Lanvaro $version" ] || fail "$program --version"
  "$prefix/bin/$program" --help | grep -q "^usage: $program" || fail "$program --help"
done
for command in doctor setup onvif "onvif info" "onvif sync-time"; do
  # shellcheck disable=SC2086 # the subcommand is two words
  "$prefix/bin/lanvaro-cli" $command --help | grep -q "^usage: lanvaro-cli $command" || fail "lanvaro-cli $command --help"
done

# Without a display the window says so in one line and exits 1, before Qt
# could abort: nothing named, and a display named that cannot be reached.
for display in "" ":7913"; do
  set +e
  err=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$prefix/bin/lanvaro" 2>&1 >/dev/null)
  status=$?
  set -e
  [ "$status" -eq 1 ] || fail "lanvaro with DISPLAY='$display' exited $status"
  [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "more than one line without a display: $err"
  [[ $err == *"graphical display"*"lanvaro-cli"* ]] || fail "unclear message without a display: $err"
done
echo "installed tree ok"
