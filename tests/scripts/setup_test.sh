#!/usr/bin/env bash
# scripts/setup.sh with stand-ins for dpkg-query, apt-get and npm, on a PATH of
# their own: the package lists are updated once, before the first install,
# and a machine that lacks nothing is left alone.
# Usage: setup_test.sh <scripts folder>
set -euo pipefail
scripts=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A copy whose renderer packages count as installed (the lock file and its stamp agree).
mkdir -p "$tmp/tree/scripts" "$tmp/tree/renderer/node_modules" "$tmp/bin"
cp "$scripts/setup.sh" "$tmp/tree/scripts/"
echo '{}' | tee "$tmp/tree/renderer/package-lock.json" >"$tmp/tree/renderer/node_modules/.installed-lock.json"
for tool in grep cmp cp dirname true; do ln -s "$(type -P "$tool")" "$tmp/bin/$tool"; done
# dpkg-query knows every package but those in MISSING; apt-get logs its calls,
# and installing npm puts it on the PATH.
cat >"$tmp/bin/dpkg-query" <<'EOF'
#!/bin/bash
[[ " $MISSING " == *" ${!#} "* ]] || printf 'install ok installed'
EOF
cat >"$tmp/bin/apt-get" <<EOF
#!/bin/bash
echo "apt-get \$*" >>"$tmp/apt.log"
if [[ \$1 == install && " \$* " == *" npm "* ]]; then cp "$tmp/bin/true" "$tmp/bin/npm"; fi
EOF
chmod +x "$tmp/bin/dpkg-query" "$tmp/bin/apt-get"

source "$(dirname "$0")/rows.sh"
# case | missing packages | npm present | apt-get calls, ; between them
while IFS='|' read -r name missing npm expected; do
  rm -f "$tmp/bin/npm" "$tmp/apt.log"
  if [[ $npm == yes ]]; then cp "$tmp/bin/true" "$tmp/bin/npm"; fi
  rc=0
  output=$(PATH=$tmp/bin MISSING=$missing /bin/bash "$tmp/tree/scripts/setup.sh" 2>&1) || rc=$?
  calls=$(paste -sd ';' "$tmp/apt.log" 2>/dev/null || true)
  calls=${calls//;/; } why=""
  if [[ $rc != 0 || $calls != "$expected" ]]; then why="exit status $rc, apt-get calls '$calls' (expected '$expected')"; fi
  row_outcome "$name" "$why" "$output"
done <<'EOF'
nothing missing||yes|
only npm missing||no|apt-get update -qq; apt-get install -y -qq --no-install-recommends npm
packages and npm missing|cmake wixl|no|apt-get update -qq; apt-get install -y -qq --no-install-recommends cmake wixl; apt-get install -y -qq --no-install-recommends npm
EOF
((failures == 0))
