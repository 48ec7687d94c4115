#!/usr/bin/env bash
# Builds the Debian package velkor_<version>_<arch>.deb in build-package/ and
# checks it with lintian.
# usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --packaging
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build-package -j"$(nproc)"
(cd build-package && cpack -G DEB)
deb="$(ls build-package/velkor_*.deb)"
echo "package: $deb"
lintian --info "$deb" || true
