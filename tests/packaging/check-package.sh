#!/usr/bin/env bash
# Installs the project the way an operator's machine gets it and checks the result: the files in
# their standard places, desktop metadata the desktop's own validators accept, and programs that
# start from where they were installed, away from the build folder.
#   check-package.sh tree <build dir> <work dir> <version> <program>...
#     cmake --install into <work dir>/root/usr
#   check-package.sh deb <build dir> <work dir> <version> <program>...
#     the Debian package built by CPack, its dependencies, unpacked with dpkg -x
set -euo pipefail
mode=$1 build=$2 work=$3 version=$4
shift 4
programs=("$@")
app_id=org.quorvex.Console

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
root=$work/root
usr=$root/usr

case $mode in
  tree)
    cmake --install "$build" --prefix "$usr" >"$work/install.log"
    ;;
  deb)
    (cd "$build" && cpack -G DEB -B "$work/cpack" >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack"; }
    debs=("$work"/cpack/quorvex-console_"$version"_*.deb)
    deb=${debs[0]}
    [ -f "$deb" ] || fail "no package quorvex-console_${version}_*.deb in $work/cpack"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    # Computed from the programs' libraries, plus the sound theme our sounds live in.
    for needed in libc6 libstdc++6 sound-theme-freedesktop; do
      [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
    done
    if [[ " ${programs[*]} " == *" quorvex-console "* ]]; then
      for needed in libqt6widgets6 libqt6svg6 libcanberra0 libudev1; do
        [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
      done
    fi
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
    # Every dependency is known to the package manager here, so apt can install it.
    apt-get install --simulate -q "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get install --simulate"; }
    dpkg -x "$deb" "$root"
    ;;
  *)
    fail "unknown mode $mode"
    ;;
esac

# The desktop entry, the metainfo and the icon they name.
desktop=$usr/share/applications/$app_id.desktop
[ -f "$desktop" ] || fail "no desktop entry $desktop"
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx "Exec=quorvex-console" "$desktop" || fail "the desktop entry does not start quorvex-console"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 16 22 24 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
  file "$png" | grep -q "PNG image data, $size x $size" || fail "$png: $(file -b "$png")"
done
(cd "$work" && appstreamcli validate-tree --no-net "$root") >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "appstreamcli validate-tree"; }
grep -q "<release version=\"$version\"" "$usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metainfo's release is not $version"

# The default sounds, where the freedesktop sound theme lookup finds them by event id.
for event in Telvane_PassageEvent Telvane_IgnoredEvent Telvane_TriggeredEvent; do
  sound=$usr/share/sounds/freedesktop/stereo/$event.oga
  file "$sound" | grep -q "Ogg data, Vorbis audio" || fail "$sound: $(file -b "$sound")"
  length=$(soxi -D "$sound")
  awk -v l="$length" 'BEGIN { exit !(l > 0.05 && l < 1.5) }' || fail "$sound lasts $length s"
done

# The programs, started from the installed tree with the build folder out of reach.
for program in "${programs[@]}"; do
  binary=$usr/bin/$program
  [ -x "$binary" ] || fail "no program $binary"
  if readelf -d "$binary" | grep -q "$build"; then fail "$program keeps a path into the build folder"; fi
  out=$(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" QT_QPA_PLATFORM=offscreen "$binary" --version 2>&1) ||
    fail "$program --version: $out"
  [ "$out" = "$program $version" ] || fail "$program --version printed: $out"
  out=$(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" QT_QPA_PLATFORM=offscreen "$binary" --help 2>&1) ||
    fail "$program --help: $out"
  [[ $out == Usage:* ]] || fail "$program --help printed: $out"
done
echo "OK: $mode install in $root"
