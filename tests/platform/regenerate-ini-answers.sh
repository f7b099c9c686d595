#!/bin/sh
# Asks Windows' own GetPrivateProfileStringA (ini-oracle.exe under Wine) for its
# answers on the settings-file corpus and writes them to
# ini-corpus/expected-answers.txt, which both the Windows and the native tests
# compare against. Run it after changing the corpus, and review the diff.
#
#   tests/platform/regenerate-ini-answers.sh [windows-build-dir]
#
# The answers are those of the Western code page 1252, hence LC_ALL=C.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/windows}

cmake --build "$build" --target ini-oracle
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix} WINEDEBUG=-all LC_ALL=C \
    "${WINE:-wine}" "$build/tests/platform/ini-oracle.exe" \
    "$here/ini-corpus" "$work/files" "$work/answers.txt"
cp "$work/answers.txt" "$here/ini-corpus/expected-answers.txt"
echo "wrote $here/ini-corpus/expected-answers.txt ($(wc -l < "$here/ini-corpus/expected-answers.txt") lines)"
