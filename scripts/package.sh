#!/usr/bin/env bash
# Builds the Debian package voltrigg_VERSION_ARCH.deb in the clone's top folder:
# installs what is missing (Debian 12, as root or with sudo), builds the
# browser page (scripts/build_web.sh) and the programs in Release without
# tests or benchmarks (build-package/, through ccache), makes the package with
# CPack's DEB generator and checks it with lintian (an error fails the script).
#   bash scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

packages=(
  build-essential cmake ninja-build pkg-config ccache file
  libcli11-dev libboost-math-dev nlohmann-json3-dev
  qt6-base-dev libgl-dev qt6-charts-dev libqt6opengl6-dev libqt6printsupport6 libcups2
  python3 help2man locales gzip dpkg-dev lintian
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Japanese manual pages are made from the programs' help under a Japanese
# locale, which help2man can only select once it is generated.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "Generating the locale ja_JP.UTF-8"
  if grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    $sudo sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  else
    echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  fi
  $sudo locale-gen >/dev/null
fi

VOLTRIGG_WEB_TEST_TOOLS=0 bash scripts/build_web.sh

# Debian's hardening flags (fortified functions, stack protector, full RELRO,
# immediate binding), without its -O2 and -g: Release's own optimisation stays.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS)"
for flag in $(dpkg-buildflags --get CXXFLAGS); do
  case "$flag" in -O* | -g) ;; *) cxxflags+=" $flag" ;; esac
done
ldflags="$(dpkg-buildflags --get LDFLAGS)"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOLTRIGG_WERROR=ON \
  -DVOLTRIGG_TESTS=OFF -DVOLTRIGG_BENCH=OFF -DVOLTRIGG_PACKAGE=ON -DCMAKE_INSTALL_PREFIX=/usr \
  "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "${launcher[@]}"
cmake --build build-package

rm -f build-package/voltrigg_*.deb
(cd build-package && cpack -G DEB)
deb=$(ls build-package/voltrigg_*.deb)
# The page is not optional in the package.
dpkg-deb -c "$deb" | grep -q '/usr/share/voltrigg/voltrigg\.html$' || {
  echo "package.sh: $deb lacks /usr/share/voltrigg/voltrigg.html" >&2
  exit 1
}
rm -f voltrigg_*.deb
mv "$deb" .
deb=$(basename "$deb")

echo "== lintian $deb"
# An error fails the script; warnings and notes are shown.
lintian --fail-on error --display-level '>=info' "$deb"
ls -l "$deb"
