#!/usr/bin/env bash
# Installs what the build needs (on Debian, with apt-get) and builds a Release binary in build/.
set -euo pipefail
cd "$(dirname "$0")"

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v make >/dev/null || need+=(make)
command -v flex >/dev/null || need+=(flex)
command -v bison >/dev/null || need+=(bison)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
# clingo serves as an independent reference in the differential tests and the benchmarks.
command -v clingo >/dev/null || need+=(gringo)
# The differential tests and benchmark generators are Python scripts.
command -v python3 >/dev/null || need+=(python3)
# clang and its runtimes build the parser's libFuzzer target in ./test.sh.
command -v clang++ >/dev/null || need+=(clang)
dpkg -s libclang-rt-dev >/dev/null 2>&1 || need+=(libclang-rt-dev)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi

# QUARN_JOBS caps the parallel jobs (on a shared machine); the default is one per core.
jobs=${QUARN_JOBS:-$(nproc 2>/dev/null || echo 2)}
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
echo "built build/quarn"
