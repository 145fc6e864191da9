#!/usr/bin/env bash
# Starts the editor on a demo installation of the expansion edition: sets up
# what is missing, builds the editor and kaocgtool, creates the installation
# once in demo/ (ignored by git) and starts the editor with HOME and
# XDG_CONFIG_HOME pointing into it. Run again, it reuses the installation,
# so the second start is no first run. Delete demo/ to start afresh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"

build="$root/build-demo"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAOCG_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target S13KaoCgEdit kaocgtool

demo="$root/demo"
if [[ ! -f "$demo/.complete" ]]; then
  rm -rf "$demo"
  "$build/tools/kaocgtool" demo-install "$demo" --edition expansion >/dev/null
  touch "$demo/.complete"
fi

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  # No screen here: show the editor on a virtual X server instead.
  echo "run-demo: no display; starting the editor on a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a -s '-screen 0 1024x768x24' bash "$root/scripts/run-demo.sh" "$@"
fi

export HOME="$demo/home"
export XDG_CONFIG_HOME="$demo/home/.config"
exec "$build/app/S13KaoCgEdit" "$@"
