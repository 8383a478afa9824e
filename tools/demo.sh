#!/usr/bin/env bash
# Installs the dependencies, builds in Release, and renders the demo to
# out/demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVA_TESTS=OFF -DKELVA_BENCH=OFF
cmake --build build-release -j "$(nproc)"
mkdir -p out
build-release/tools/kelva-engine-demo out/demo.wav
echo "Rendered out/demo.wav"
