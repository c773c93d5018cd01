#!/usr/bin/env bash
# Installs what the browser page needs (Debian's emscripten, chromium and firefox-esr, the
# page's npm packages from package-lock.json), builds the core as WebAssembly
# in build-web/ and the page build-web/voltrigg.html, one self-contained file.
#   bash scripts/build_web.sh
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(emscripten nodejs npm libboost-math-dev nlohmann-json3-dev cmake ninja-build)
# The browsers and poppler are for the page's tests; scripts/package.sh, which
# only builds the page, says VOLTRIGG_WEB_TEST_TOOLS=0.
if [ "${VOLTRIGG_WEB_TEST_TOOLS:-1}" != 0 ]; then packages+=(chromium firefox-esr poppler-utils); fi
missing=()
for p in "${packages[@]}"; do
  # node and npm may come from elsewhere (Node 20 is needed); only a missing command asks for Debian's.
  if [ "$p" = nodejs ] && command -v node >/dev/null; then continue; fi
  if [ "$p" = npm ] && command -v npm >/dev/null; then continue; fi
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

node_major=$(node -p 'process.versions.node.split(".")[0]')
if [ "$node_major" -lt 20 ]; then
  echo "build_web.sh: Node 20 or later is needed (found $(node --version))" >&2
  exit 1
fi

# Emscripten's own tools use Debian's acorn, which a node from elsewhere finds
# only through NODE_PATH.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOLTRIGG_WERROR=ON
cmake --build build-web

cd web
if [ ! -d node_modules ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
  npm ci --no-audit --no-fund
fi
npm run --silent build
ls -l ../build-web/voltrigg.html
