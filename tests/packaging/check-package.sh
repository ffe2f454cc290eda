#!/usr/bin/env bash
# Installs the project the way an operator's machine gets it and checks the result: the files in
# their standard places, desktop metadata the desktop's own validators accept, and programs that
# start from where they were installed, away from the build folder.
#   check-package.sh tree <build dir> <work dir> <version> <program>...
#     cmake --install into <work dir>/root/usr
#   check-package.sh deb <build dir> <work dir> <version> <program>...
#     the Debian package built by CPack, its dependencies, unpacked with dpkg -x
# No reader in a pipe stops early (grep -q, head): with pipefail the writer's SIGPIPE would fail
# the check at random.
set -euo pipefail
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
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
    has_dependency() { [[ ", $depends," == *", $1"[\ ,]* ]]; }
    dpkg -x "$deb" "$root"
    # Every library a program links comes from a package the package depends on
    # (dpkg-shlibdeps); plus the sound theme our sounds live in, and the SVG icon engine that
    # Qt loads at run time without a link.
    needed=(sound-theme-freedesktop)
    if [[ " ${programs[*]} " == *" quorvex-console "* ]]; then needed+=(libqt6svg6); fi
    for program in "${programs[@]}"; do
      for library in $(readelf -d "$root/usr/bin/$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        path=$(ldconfig -p | awk -v l="$library" '$1 == l && /x86-64|x86_64/ && !p { p = $NF } END { print p }')
        [ -n "$path" ] || fail "$program links $library, which is not installed here"
        package=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | sed -n '1s/:.*//p') ||
          package=$(dpkg -S "$path" | sed -n '1s/:.*//p')
        needed+=("$package")
      done
    done
    for package in "${needed[@]}"; do
      has_dependency "$package" || fail "Depends lacks $package: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
    # Every dependency is known to the package manager here, so apt can install it.
    apt-get install --simulate -q "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get install --simulate"; }
    # Debian's own checker passes the package: no error, no warning. What does not apply to this
    # package is overridden inside it, each override with its reason.
    lintian --fail-on error,warning --display-level '>=warning' --no-tag-display-limit "$deb" \
      >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }
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
  file "$png" | grep >/dev/null "PNG image data, $size x $size" || fail "$png: $(file -b "$png")"
done
(cd "$work" && appstreamcli validate-tree --no-net "$root") >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "appstreamcli validate-tree"; }
(cd "$work" && appstreamcli validate --no-net --pedantic "$usr/share/metainfo/$app_id.metainfo.xml") \
  >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
grep -q "<release version=\"$version\"" "$usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metainfo's release is not $version"

# The default sounds, where the freedesktop sound theme lookup finds them by event id.
for event in Telvane_PassageEvent Telvane_IgnoredEvent Telvane_TriggeredEvent; do
  sound=$usr/share/sounds/freedesktop/stereo/$event.oga
  file "$sound" | grep >/dev/null "Ogg data, Vorbis audio" || fail "$sound: $(file -b "$sound")"
  length=$(soxi -D "$sound")
  awk -v l="$length" 'BEGIN { exit !(l > 0.05 && l < 1.5) }' || fail "$sound lasts $length s"
done

# libcanberra finds them by event id through the installed data folder, and a user's own file
# of the same name comes first. A fresh home: canberra caches its look-ups there.
probe() {
  local home=$1
  shift
  HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_DIRS="$usr/share:/usr/share" "$QUORVEX_SOUND_PROBE" "$@"
}
events=(Telvane_PassageEvent Telvane_IgnoredEvent Telvane_TriggeredEvent)
home=$work/sound-home
mkdir -p "$home"
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$home/.asoundrc"
out=$(probe "$home" "${events[@]}") || fail "libcanberra does not find the installed sounds (exit $?): $out"
rm -rf "$home/.cache"
mkdir -p "$home/.local/share/sounds/freedesktop/stereo"
echo "not a sound" >"$home/.local/share/sounds/freedesktop/stereo/Telvane_PassageEvent.oga"
if out=$(probe "$home" Telvane_PassageEvent); then fail "the user's own Telvane_PassageEvent did not come first: $out"; fi

# The programs, started from the installed tree with the build folder out of reach.
for program in "${programs[@]}"; do
  binary=$usr/bin/$program
  [ -x "$binary" ] || fail "no program $binary"
  if readelf -d "$binary" | grep >/dev/null "$build"; then fail "$program keeps a path into the build folder"; fi
  out=$(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" QT_QPA_PLATFORM=offscreen "$binary" --version 2>&1) ||
    fail "$program --version: $out"
  [ "$out" = "$program $version" ] || fail "$program --version printed: $out"
  out=$(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" QT_QPA_PLATFORM=offscreen "$binary" --help 2>&1) ||
    fail "$program --help: $out"
  [[ $out == Usage:* ]] || fail "$program --help printed: $out"
done
# Each program's manual page, read with man as lintian reads it (no groff warnings), naming every
# option of the program's --help; and its bash completion, found by bash-completion's own loader
# in the installed data folder, offering those options and the values that name local things.
complete_line() {
  local program=$1
  shift
  env -i PATH="$usr/bin:/usr/bin:/bin" HOME="$work" XDG_DATA_DIRS="$usr/share:/usr/share" \
    QUORVEX_PORT_DIR="$work/ports" QT_QPA_PLATFORM=offscreen \
    bash -c 'source /usr/share/bash-completion/bash_completion
      __load_completion "$1" || exit 3
      function=$(complete -p "$1" | sed -n "s/.* -F \([^ ]*\) .*/\1/p")
      COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE}
      "$function" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
      printf "%s\n" "${COMPREPLY[@]}"' complete "$program" "$@"
}
mkdir -p "$work/ports"
ln -sfn /dev/null "$work/ports/com7"
for program in "${programs[@]}"; do
  page=$usr/share/man/man1/$program.1.gz
  [ -f "$page" ] || fail "no manual page $page"
  text=$(LC_ALL=C MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err") || fail "man $program: $(cat "$work/man.err")"
  [ ! -s "$work/man.err" ] || fail "man $program: $(cat "$work/man.err")"
  options=$(env -i PATH=/usr/bin:/bin HOME="$work" QT_QPA_PLATFORM=offscreen "$usr/bin/$program" --help |
    grep -o -- '--[a-z][a-z-]*' | sort -u)
  offered=$(complete_line "$program" --) || fail "no bash completion for $program"
  for option in $options; do
    [[ $text == *"$option"* ]] || fail "the manual page of $program lacks $option"
    grep -qx -- "$option" <<<"$offered" || fail "bash completion of $program does not offer $option: $offered"
  done
done
[ "$(complete_line quorvex-sim --model '')" = $'M410\nM450' ] || fail "quorvex-sim --model does not complete to the models"
[[ $'\n'$(complete_line quorvex-cli --port C)$'\n' == *$'\nCOM7\n'* ]] || fail "quorvex-cli --port does not offer COM7"
out=$(MANPATH="$usr/share/man" man -w quorvex-cli) || fail "man does not find quorvex-cli under $usr/share/man"

# The shipped scenarios in the data folder, each one read by the installed simulator (it reads the
# scenario before it opens its line, so a line that cannot open means the scenario was read).
if [[ " ${programs[*]} " == *" quorvex-sim "* ]]; then
  for name in demo weak-signal two-pigs magnetic-pig battery-low link-drop; do
    scenario=$usr/share/quorvex/scenarios/$name.scenario
    [ -f "$scenario" ] || fail "no scenario $scenario"
    if out=$(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" "$usr/bin/quorvex-sim" --scenario "$scenario" \
      --device "$work/no-such-line" 2>&1); then
      fail "quorvex-sim played on a line that does not exist: $out"
    fi
    [[ $out == *"cannot open $work/no-such-line"* ]] || fail "quorvex-sim does not read $scenario: $out"
  done
fi
# The quick-start guide in the data folder, where the installed console finds it.
if [[ " ${programs[*]} " == *" quorvex-console "* ]]; then
  guide=$usr/share/quorvex/QuickStart.pdf
  file "$guide" | grep >/dev/null "PDF document" || fail "$guide: $(file -b "$guide")"
  out=$(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" "$usr/bin/quorvex-console" --help 2>&1)
  [[ $out == *"Quick-start guide: $(readlink -f "$guide")"* ]] || fail "the installed console does not find $guide"
fi

# The console itself: it opens its main window offscreen, writing the debug log as it goes; the
# configuration banner with the version and then the window's last creation step (the unit model it assumes)
# show that it got that far.
if [[ " ${programs[*]} " == *" quorvex-console "* ]]; then
  mkdir -p "$work/temp"
  (cd "$work" && exec env -i PATH=/usr/bin:/bin HOME="$work" TEMP="$work/temp" QT_QPA_PLATFORM=offscreen \
    "$usr/bin/quorvex-console" >"$work/console.log" 2>&1) &
  console=$!
  started=false
  for _ in $(seq 300); do
    if cat "$work"/temp/QUORVEX_DEBUG-*.log 2>/dev/null |
      awk -v version="$version" '/[|] *CONFIGURATION/ { banner = 1 }
        banner && $0 ~ "[|]Version *: " version { named = 1 }
        named && /ConfigMgr::set[|]/ { found = 1 } END { exit !found }'; then
      started=true
      break
    fi
    kill -0 $console 2>/dev/null || break
    sleep 0.1
  done
  kill $console 2>/dev/null || true
  wait $console 2>/dev/null || true
  $started || { cat "$work/console.log"; fail "the installed console did not open its window"; }
fi
echo "OK: $mode install in $root"
