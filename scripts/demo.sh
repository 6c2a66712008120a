#!/usr/bin/env bash
# The main job: build the stub and stubpack, pack the example tree into an installer, run it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release -DSTUBKIT_TESTS=OFF >/dev/null
cmake --build --preset release -j2
out=build/release/example-installer
# The Linux stub, so that the installer runs here; the Windows stub.exe is the default.
build/release/stubpack pack --stub native example/payload -o "$out"
echo "== running $out \"first argument\" second"
"$out" "first argument" second
echo "== installer exit code: $?"
