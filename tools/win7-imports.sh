#!/usr/bin/env bash
# Checks that a 32-bit executable loads on Windows 7 SP1: its header names Windows 6.1 as the
# oldest it runs on, DEP and ASLR stay on, and every function it imports is one that Windows 7
# SP1's system DLLs export (tools/win7sp1-exports.txt). A function of a newer Windows must be
# loaded at run time, with a fallback, instead.
#   tools/win7-imports.sh EXE...
set -euo pipefail
known=$(grep -v '^#' "$(dirname "$0")/win7sp1-exports.txt" | grep . | sort -u)
status=0
for exe in "$@"; do
  dump=$(i686-w64-mingw32-objdump -p "$exe")
  for field in MajorOSystemVersion=6 MinorOSystemVersion=1 MajorSubsystemVersion=6 \
               MinorSubsystemVersion=1; do
    value=$(awk -v f="${field%=*}" '$1 == f {print $2}' <<<"$dump")
    [ "$value" = "${field#*=}" ] || { echo "$exe: $field expected, header has ${value:-nothing}"; status=1; }
  done
  for flag in NX_COMPAT DYNAMIC_BASE; do
    grep -qw "$flag" <<<"$dump" || { echo "$exe: $flag is off"; status=1; }
  done
  # Import lines: "<hint/name address> <hint> <name>" under each "DLL Name:"; an import by
  # ordinal has no name and shows as <none>, which no list holds.
  imports=$(awk '/DLL Name:/ {dll = tolower($3); next} /^$/ {dll = ""}
                 dll && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]/ {print dll "!" $3}' <<<"$dump" | sort -u)
  [ -n "$imports" ] || { echo "$exe: no imports found"; status=1; }
  unknown=$(comm -23 <(echo "$imports") <(echo "$known"))
  if [ -n "$unknown" ]; then
    echo "$exe imports what Windows 7 SP1 may not have:"; sed 's/^/  /' <<<"$unknown"; status=1
  else
    echo "$exe: $(wc -l <<<"$imports") imports, all in Windows 7 SP1"
  fi
done
exit $status
