#!/usr/bin/env bash
# Copies the screenshots the README shows from the last test run's pictures
# (build/wine-run-shots, made by scripts/test.sh) into docs/.
#
#   scripts/refresh-screenshots.sh [SHOTS_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
shots=${1:-${KARVEX_BUILD_DIR:-$root/build}/wine-run-shots}
docs=$root/docs

# docs name <- test picture: what a user sees, in the README's order.
pictures=(
    "alert.png alert-type-8.png"
    "about.png about.png"
    "options-pass.png options-pass.png"
    "setup-welcome.png setup-welcome.png"
    "setup-copy.png setup-copy.png"
    "setup-finish.png setup-finish.png"
)

missing=0
for entry in "${pictures[@]}"; do
    read -r target source <<<"$entry"
    [ -f "$shots/$source" ] || { echo "refresh-screenshots: $shots/$source is missing" >&2; missing=1; }
done
if [ "$missing" -ne 0 ]; then
    echo "refresh-screenshots: run the tests first: scripts/test.sh -R 'wine\.(setup|teardown|servers|Alerts|About|OptionsPass|SetupWizard)'" >&2
    exit 1
fi

mkdir -p "$docs"
for entry in "${pictures[@]}"; do
    read -r target source <<<"$entry"
    cp "$shots/$source" "$docs/$target"
    echo "docs/$target <- $source"
done
