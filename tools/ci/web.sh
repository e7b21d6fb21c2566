#!/usr/bin/env bash
# The web build, played in headless Chromium: builds build/web (with
# tools/web/build.sh), serves it on 127.0.0.1 and drives it with
# playwright-core from the npm registry (tools/ci/web_check.cjs). The
# screenshots it takes are left in build/web-check.
#
#   bash tools/ci/web.sh
set -euo pipefail

say() { printf 'molvane: %s\n' "$*" >&2; }
die() {
    say "error: $*"
    exit 1
}

ROOT=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")/../.." && pwd -P)
cd -- "$ROOT"
PLAYWRIGHT_VERSION=1.65.2
CACHE=${MOLVANE_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/molvane-web}
for tool in node npm convert; do
    command -v "$tool" >/dev/null || die "$tool is missing (see WEB_TEST_PACKAGES in tools/dev.sh)"
done
[[ -x "${CHROMIUM:-/usr/bin/chromium}" ]] || die "no Chromium at ${CHROMIUM:-/usr/bin/chromium} (Debian package chromium)"

start=$SECONDS
bash tools/web/build.sh
built=$SECONDS

playwright=$CACHE/node-playwright-$PLAYWRIGHT_VERSION
if [[ ! -f "$playwright/node_modules/playwright-core/package.json" ]]; then
    say "installing playwright-core $PLAYWRIGHT_VERSION from the npm registry"
    mkdir -p "$playwright"
    npm install --prefix "$playwright" --no-audit --no-fund --loglevel=error "playwright-core@$PLAYWRIGHT_VERSION" >&2 ||
        die "npm could not install playwright-core"
fi

rm -rf build/web-check
MOLVANE_PLAYWRIGHT=$playwright/node_modules/playwright-core \
    timeout 300 node tools/ci/web_check.cjs build/web assets build/web-check ||
    die "the web build failed in Chromium (screenshots in build/web-check)"
say "web: built in $((built - start)) s, played in Chromium in $((SECONDS - built)) s"
