#!/usr/bin/env bash
# Builds the Debian package of the console (quorvex-console_<version>_<arch>.deb) and prints its
# path. Install it with: sudo apt install ./<that file>
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export SANITIZER=  # a package never carries a sanitizer build
source "$root/scripts/build-settings.sh"

bash "$root/scripts/setup.sh" >&2
bash "$root/scripts/build.sh" >&2
(cd "$build_dir" && cpack -G DEB -B "$build_dir/package" >&2)
ls "$build_dir"/package/quorvex-console_*.deb
