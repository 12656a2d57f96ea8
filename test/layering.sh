#!/usr/bin/env bash
# The folders of src/ depend one way: each includes only itself and the
# folders below it, and its library needs no symbol that only a library above
# it defines. $1: the folder holding the libraries (libkv_<folder>.a).
set -euo pipefail
layers=(platform app analyze runs results sysinfo root)
src="$(dirname "$0")/../src"
symbols() { nm -C -g "--$1-only" "$2" | sed -n 's/^[0-9a-f ]*[A-Za-z] //p' | sort -u; }
bad=0 below=$(mktemp) above=$(mktemp)
trap 'rm -f "$below" "$above"' EXIT
for i in "${!layers[@]}"; do
  layer=${layers[i]}
  symbols defined "$1/libkv_$layer.a" >>"$below"
  sort -u -o "$below" "$below"
  rest=("${layers[@]:i+1}")
  [ ${#rest[@]} -gt 0 ] || continue
  if grep -nE "#include \"($(IFS='|'; echo "${rest[*]}"))/" "$src/$layer"/*; then bad=1; fi
  : >"$above"
  for up in "${rest[@]}"; do symbols defined "$1/libkv_$up.a" >>"$above"; done
  sort -u -o "$above" "$above"
  needs=$(symbols undefined "$1/libkv_$layer.a" | comm -23 - "$below" | comm -12 - "$above")
  [ -z "$needs" ] || { echo "$layer needs from above: $needs"; bad=1; }
done
[ "$bad" -eq 0 ] && echo "ok: ${layers[*]}, each on those before it"
