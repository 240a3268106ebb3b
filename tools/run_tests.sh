#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds with warnings as errors, and runs the
# whole test suite headless.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/install_deps.sh" cmake g++ make qtbase5-dev libqt5webkit5-dev \
  fonts-liberation2 poppler-utils python3-hl7 clang-format
# Every C++ file follows .clang-format (apply it with: cmake --build build --target format).
find "$root/src" "$root/tests" "$root/tools" "$root/bench" \( -name '*.cpp' -o -name '*.h' \) -print0 \
  | xargs -0 clang-format --dry-run --Werror
LAB_WERROR=ON bash "$root/tools/build.sh"
build="${BUILD_DIR:-$root/build}"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$build/xdg-runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$build"
ctest --output-on-failure -j2
