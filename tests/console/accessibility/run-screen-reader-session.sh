#!/usr/bin/env bash
# Runs screen_reader_session.py (with the system Python, where python3-pyatspi lives) on a D-Bus
# session and an X server of its own; the accessibility bus starts on demand, as in a desktop.
#   run-screen-reader-session.sh <quorvex-console> <quorvex-sim>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \
  /usr/bin/python3 "$here/screen_reader_session.py" "$@"
