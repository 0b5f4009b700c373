#!/usr/bin/env bash
# build_msi.sh <version> <dist folder> <tamsel_msi_actions.dll> <output.msi> [machine|user]
# Builds one MSI of tamsel.wxs with wixl from the stripped install in <dist
# folder> (x86/ and x64/), for all users (default) or for one user, then
# applies patch.sql: what wixl cannot express.
set -euo pipefail
version=$1 dist=$2 actions=$3 out=$4 scope=${5:-machine}
here=$(cd "$(dirname "$0")" && pwd)
[[ $scope == machine || $scope == user ]] || { echo "build_msi.sh: scope is machine or user, not $scope" >&2; exit 64; }

mkdir -p "$(dirname "$out")"
out=$(realpath -m "$out")
rm -f "$out"
# wixl finds sources by relative paths only: it builds in a folder of links.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
ln -s "$(realpath "$dist/x86")" "$stage/x86"
ln -s "$(realpath "$dist/x64")" "$stage/x64"
ln -s "$(realpath "$actions")" "$stage/tamsel_msi_actions.dll"
(cd "$stage" && wixl -a x64 -D Scope="$scope" -D Version="$version" \
  -o "$out.part" "$here/tamsel.wxs")
upgrade_code=$(cd "$stage" && msiinfo export "$out.part" Property | tr -d '\r' | awk -F '\t' '$1 == "UpgradeCode" { print $2 }')
[[ $upgrade_code =~ ^\{[0-9A-F-]{36}\}$ ]] || { echo "build_msi.sh: no UpgradeCode in $out.part" >&2; exit 1; }
queries=()
while IFS= read -r query; do
  query=${query//@UPGRADECODE@/$upgrade_code}
  [[ -n $query && $query != --* ]] && queries+=(-q "${query//@VERSION@/$version}")
done <"$here/patch.sql"
msibuild "$out.part" "${queries[@]}"
mv "$out.part" "$out"
echo "built $out"
