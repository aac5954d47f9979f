#!/usr/bin/env bash
# The interface's translations.
#   scripts/translations.sh update   refresh translations/*.ts from the sources: new texts come in
#                                    unfinished, texts gone from the sources go out
#   scripts/translations.sh check    fail when a .ts is not what lupdate makes of the sources (a
#                                    missing or stale entry) or when lrelease counts an unfinished
#                                    or untranslated entry; scripts/translation-table.py then
#                                    rewrites the user guide's table of both texts
# Either takes a .ts file and the folders to scan after the command (tests use this); by default
# every .ts under translations/ and the program's source folders.
# LUPDATE and LRELEASE name the tools (default: Qt 6's, from /usr/lib/qt6/bin or the PATH).
set -euo pipefail
cd "$(dirname "$0")/.."

tool() {
  local var="$1" name="$2"
  if [ -n "${!var:-}" ]; then echo "${!var}"
  elif [ -x "/usr/lib/qt6/bin/$name" ]; then echo "/usr/lib/qt6/bin/$name"
  else command -v "$name"; fi
}
lupdate="$(tool LUPDATE lupdate)"
lrelease="$(tool LRELEASE lrelease)"

command="${1:-}"
shift || true
if [ $# -gt 0 ]; then
  ts_files=("$1")
  shift
  sources=("$@")
else
  ts_files=(translations/*.ts)
  sources=(app settings monitor viewer records write report ui core link serial base)
fi

# Line numbers stay out of the file, so that moving code does not change it.
# lupdate's notes on out-of-class definitions it cannot place are noise here.
run_lupdate() {
  "$lupdate" -silent -locations none -no-obsolete -extensions cpp,h -I "$PWD" \
    -source-language ja_JP -target-language "$2" "${sources[@]}" -ts "$1" 2>&1 |
    { grep -v 'Ignoring definition of undeclared' || true; } >&2
}

language_of() { basename "$1" .ts | sed 's/.*_//'; }

case "$command" in
  update)
    for ts in "${ts_files[@]}"; do run_lupdate "$ts" "$(language_of "$ts")"; done
    ;;
  check)
    tmp="$(mktemp -d)"
    trap 'rm -rf "$tmp"' EXIT
    failed=0
    for ts in "${ts_files[@]}"; do
      copy="$tmp/$(basename "$ts")"
      cp "$ts" "$copy"
      run_lupdate "$copy" "$(language_of "$ts")"
      if ! cmp -s "$ts" "$copy"; then
        echo "translations: $ts differs from the sources (run scripts/translations.sh update and translate the new entries):"
        diff -u "$ts" "$copy" | grep '^[-+] *<source>' | head -40 || true
        failed=1
      fi
      counts="$("$lrelease" "$copy" -qm "$tmp/check.qm" 2>&1)"
      unfinished="$(sed -n 's/.* and \([0-9]*\) unfinished.*/\1/p' <<<"$counts")"
      untranslated="$(sed -n 's/.*Ignored \([0-9]*\) untranslated.*/\1/p' <<<"$counts")"
      # lrelease takes an empty translation marked finished as done; the window would show Japanese.
      empty="$(grep -cE '<translation( ?/>|></translation>)' "$copy" || true)"
      untranslated=$(( ${untranslated:-0} + empty ))
      if [ "${unfinished:-0}" != 0 ] || [ "${untranslated:-0}" != 0 ]; then
        echo "translations: $ts has ${unfinished:-0} unfinished and ${untranslated:-0} untranslated entries"
        failed=1
      fi
    done
    if [ "$failed" = 0 ]; then echo "translations: complete"; fi
    exit "$failed"
    ;;
  *)
    echo "usage: scripts/translations.sh update|check [TS_FILE SOURCE_DIR...]" >&2
    exit 2
    ;;
esac
