#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the unit, run, window
# and command-line tests, the browser page's tests (its WebAssembly core
# against voltrigg-cli in Node, the page in headless chromium), the Debian
# package (built, installed, tried and purged), then the sanitizer suite,
# static analysis and a short fuzz pass where those are set up.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLTRIGG_WERROR=ON -DVOLTRIGG_TESTS=ON -DVOLTRIGG_BENCH=ON
cmake --build build
ctest --test-dir build --output-on-failure | tee build/ctest.log
summary=$(grep -E '^[0-9]+% tests passed' build/ctest.log | tail -n 1)

# The browser page: built (scripts/build_web.sh installs what it needs), then
# Node's test runner over tests/web/, which needs build/voltrigg-cli and
# build/bench/voltrigg-genlist from above. A failure is counted and reported
# in the closing line; the script then ends with status 1.
echo "== scripts/build_web.sh"
web_start=$(date +%s)
bash scripts/build_web.sh
echo "== web tests (node --test tests/web/)"
web_status=0
node --test --test-reporter=tap tests/web/ 2>&1 | tee build-web/web-tests.log || web_status=$?
web_count() { grep -E "^# $1 [0-9]+" build-web/web-tests.log | tail -n 1 | awk '{print $3}'; }
web_pass=$(web_count pass)
web_fail=$(web_count fail)
web_skip=$(web_count skipped)
web_pass=${web_pass:-0}
web_skip=${web_skip:-0}
if [ -z "$web_fail" ]; then web_fail=$((web_status != 0 ? 1 : 0)); fi
echo "web: $web_pass passed, $web_fail failed, $web_skip skipped ($(($(date +%s) - web_start)) s with the build)"

# The Debian package: scripts/package.sh builds it (Release, no tests, through
# ccache; the page above is reused) and runs lintian (an error fails it). It is
# then installed with apt on this machine, its programs, manual pages,
# completion, desktop entries and metadata are tried, and it is purged, which
# must leave none of its files. A failure is reported in the closing line.
package_check() {
  bash scripts/package.sh
  local deb version files out
  deb=$(ls voltrigg_*.deb)
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb"
  version=$(dpkg-query -W -f='${Version}' voltrigg)
  files=build-package/installed-files.txt
  dpkg -L voltrigg >"$files"
  for program in voltrigg voltrigg-cli voltrigg-view; do
    [ "$(command -v "$program")" = "/usr/bin/$program" ]
    "$program" --version | grep -F "$version"
    [ "$(man -w "$program")" = "/usr/share/man/man1/$program.1.gz" ]
    [ "$(man -w -L ja "$program")" = "/usr/share/man/ja/man1/$program.1.gz" ]
  done
  out=$(mktemp -d)
  (cd "$out" && voltrigg-cli -s 10 -p 6 -o result --assess /usr/share/voltrigg/examples/modules.csv)
  test -s "$out/result.csv"
  test -s "$out/result.assessment.json"
  voltrigg-view "$out/result.csv" --modules /usr/share/voltrigg/examples/modules.csv --pdf "$out/plan.pdf"
  test -s "$out/plan.pdf"
  rm -rf "$out"
  MANWIDTH=80 man voltrigg-cli | sed -n 1,8p
  desktop-file-validate /usr/share/applications/voltrigg.desktop /usr/share/applications/voltrigg-view.desktop
  appstreamcli validate --no-net $(grep '^/usr/share/metainfo/.*\.xml$' "$files")
  # The completion as bash-completion loads it on the first <Tab>.
  bash -c 'source /usr/share/bash-completion/bash_completion
    _completion_loader voltrigg-cli
    complete -p voltrigg-cli
    COMP_WORDS=(voltrigg-cli --extras ""); COMP_CWORD=2; _voltrigg_cli
    [ "${COMPREPLY[*]}" = "voc,isc isc,voc" ]
    COMP_WORDS=(voltrigg-cli commission --voc-t); COMP_CWORD=2; _voltrigg_cli
    [ "${COMPREPLY[*]}" = "--voc-tolerance" ]'
  # The Japanese manual pages, now that package.sh has generated the locale.
  ctest --test-dir build -R packaging_ --output-on-failure
  DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq voltrigg
  local left=0 path
  while read -r path; do
    # A folder another package owns stays; anything else of ours must be gone.
    if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then continue; fi
    if [ -e "$path" ] || [ -L "$path" ]; then
      echo "left after the purge: $path"
      left=1
    fi
  done <"$files"
  [ "$left" -eq 0 ]
}
echo "== scripts/package.sh and the installed package"
package_start=$(date +%s)
package_status=0
# Its own shell, so that -e stops it at the first failing step.
bash -c "set -euo pipefail; $(declare -f package_check); package_check" || package_status=$?
if [ "$package_status" -eq 0 ]; then package_result=passed; else package_result=failed; fi
echo "package: $package_result ($(($(date +%s) - package_start)) s with the build)"
for extra in scripts/sanitize.sh scripts/static_analysis.sh scripts/fuzz.sh; do
  if [ -f "$extra" ]; then
    echo "== $extra"
    bash "$extra"
  fi
done

# One closing line for the whole suite: the main build's test counts and the web tests'.
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
failed=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$summary")
skipped=$(grep -c '\*\*\*Skipped' build/ctest.log || true)
echo "tests: $((total - failed - skipped + web_pass)) passed, $((failed + web_fail)) failed, $((skipped + web_skip)) skipped; package: $package_result"
if [ "$web_status" -ne 0 ] || [ "$web_fail" -ne 0 ] || [ "$package_status" -ne 0 ]; then exit 1; fi
