#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need.
# Safe to run again: only missing packages are installed. Needs root (or sudo).
# Extra package names given as arguments are installed too (scripts/fuzz.sh asks for clang).
set -euo pipefail

packages=(
  g++ cmake ninja-build ccache pkg-config
  libboost-dev libboost-program-options-dev
  libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev sqlite3 gpsbabel locales
  qt6-base-dev qt6-svg-dev qtkeychain-qt6-dev libudev-dev libcanberra-dev
  xvfb xauth fonts-dejavu-core dbus python3-dbusmock
  sox libsox-fmt-base dpkg-dev appstream desktop-file-utils file lintian help2man man-db
  at-spi2-core python3-pyatspi bash-completion
  libmosquitto-dev mosquitto mosquitto-clients openssl
  libgdal-dev gdal-bin libgeographiclib-dev nlohmann-json3-dev
  libcpp-httplib-dev libjs-leaflet chromium chromium-driver python3-selenium
  poppler-utils
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi

export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
