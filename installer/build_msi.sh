#!/usr/bin/env bash
# build_msi.sh <version> <dist folder> <tamsel_msi_actions.dll> <output.msi> [<wxs>]
# Builds one MSI with wixl from the stripped install in <dist folder> (x86/ and
# x64/), then applies patch.sql beside the .wxs: what wixl cannot express.
set -euo pipefail
version=$1 dist=$2 actions=$3 out=$4
here=$(cd "$(dirname "$0")" && pwd)
wxs=${5:-$here/tamsel.wxs}
patch=${wxs%.wxs}.sql
[[ -f $patch ]] || patch=$here/patch.sql

mkdir -p "$(dirname "$out")"
out=$(realpath -m "$out")
rm -f "$out"
# wixl finds sources by relative paths only: it builds in a folder of links.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
ln -s "$(realpath "$dist/x86")" "$stage/x86"
ln -s "$(realpath "$dist/x64")" "$stage/x64"
ln -s "$(realpath "$actions")" "$stage/tamsel_msi_actions.dll"
(cd "$stage" && wixl -a x64 -D Version="$version" -D Dist=. -D Actions=tamsel_msi_actions.dll -o "$out.part" "$wxs")
queries=()
while IFS= read -r query; do
  [[ -n $query && $query != --* ]] && queries+=(-q "$query")
done <"$patch"
msibuild "$out.part" "${queries[@]}"
mv "$out.part" "$out"
echo "built $out"
