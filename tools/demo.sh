#!/usr/bin/env bash
# Installs the dependencies, builds in Release, installs the plug-in into
# ~/.vst3 and renders the bundled demo through the installed plug-in with our
# host tool to out/demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVA_TESTS=OFF -DKELVA_BENCH=OFF
cmake --build build-release -j "$(nproc)"
cmake --install build-release
mkdir -p out
# The demo switches programs itself: "Kelva Strings", "Pingpong Keys", "Dream Pad".
build-release/tools/kelva-host render "$HOME/.vst3/Kelva.vst3" resources/demo.mid out/demo.wav
echo "Installed $HOME/.vst3/Kelva.vst3 and rendered out/demo.wav"
