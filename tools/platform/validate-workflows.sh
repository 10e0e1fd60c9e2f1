#!/usr/bin/env bash
# Checks every GitHub workflow under .github/workflows with action-validator (the workflow schema,
# the jobs' keys, the globs of paths), installed from npm at the version package-lock.json pins
# into build/npm. Fails on the first workflow it finds wrong.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
tools="$root/build/npm"
validator="$tools/node_modules/.bin/action-validator"

# Installed again whenever the pinned versions change.
mkdir -p "$tools"
if [ ! -x "$validator" ] || ! cmp -s "$here/package-lock.json" "$tools/package-lock.json"; then
  cp "$here/package.json" "$here/package-lock.json" "$tools/"
  npm ci --prefix "$tools" --no-audit --no-fund --loglevel=error >/dev/null
fi

shopt -s nullglob
workflows=("$root"/.github/workflows/*.yml "$root"/.github/workflows/*.yaml)
if [ ${#workflows[@]} -eq 0 ]; then
  echo "no workflows in $root/.github/workflows" >&2
  exit 1
fi
cd "$root"
for workflow in "${workflows[@]}"; do
  "$validator" "${workflow#"$root"/}"
done
echo "Workflows valid: ${#workflows[@]} ($(cd "$root" && ls .github/workflows | tr '\n' ' '))"
