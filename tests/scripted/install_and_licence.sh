#!/usr/bin/env bash
# `cmake --install` of a build tree installs the program and nothing else, the installed program
# runs, and its -license text is the file LICENSE (after the banner, with the closing newline).
#   install_and_licence.sh [build-directory]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
[ -x "$build/quarn" ] || { echo "$build/quarn is not built"; exit 1; }
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
installed=$(cd "$prefix" && find . -type f -o -type l | sort)
if [ "$installed" != "./bin/quarn" ]; then
  echo "FAIL: installed files are not bin/quarn alone:"
  echo "$installed"
  exit 1
fi
if ! "$prefix/bin/quarn" -license | tail -n +3 | cmp -s - <(cat LICENSE; echo); then
  echo "FAIL: the installed program's -license text is not the file LICENSE:"
  diff <("$prefix/bin/quarn" -license | tail -n +3) <(cat LICENSE; echo) | head -20
  exit 1
fi
echo "install and licence: all cases pass"
