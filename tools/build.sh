#!/usr/bin/env bash
# Configures and builds everything into ./build (the staged application is build/app).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
launcher=()
# Rebuilds after small changes are much faster where ccache is installed; CI works without it.
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# LAB_WERROR=ON makes every warning an error (CI and the test command build so).
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" \
  -DLAB_WERROR="${LAB_WERROR:-OFF}" "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
