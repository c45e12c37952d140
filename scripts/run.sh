#!/bin/sh
# Installs the dependencies, builds, and starts the launcher with the virtual
# unit plugged in (normal mode): the launcher finds the unit, checks its
# firmware and hands over to the editor. No hardware needed.
#
#   ./scripts/run.sh                      the launcher, then the editor
#   ./scripts/run.sh --mode B --firmware build/bin/Firmware/TOVAK_KT900_V9.9.9.tk
#                                         the firmware-update window instead
# Arguments go to kt900-sim (see sim/README.md). The virtual unit keeps what
# you edit in $KT900_SIM_STATE (default ~/.local/state/kt900/virtual-unit).
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -G Ninja
cmake --build "$BUILD"
STATE=${KT900_SIM_STATE:-${XDG_STATE_HOME:-$HOME/.local/state}/kt900/virtual-unit}
mkdir -p "$(dirname "$STATE")"
exec "$BUILD/bin/kt900-sim" --state "$STATE" "$@" -- "$BUILD/bin/Tovak Studio For KT900"
