#!/usr/bin/env bash
# Runs a command in a language whose locale the machine may not have: the locale is compiled
# into a private folder (LOCPATH) for this run only.
# Usage: in_language.sh LOCALE COMMAND...   e.g. in_language.sh fr_FR.UTF-8 kolo --help
set -eu
locale_name=$1
shift
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# localedef warns about details of some locale sources and still writes the locale.
localedef -i "${locale_name%%.*}" -f UTF-8 "$dir/$locale_name" 2>/dev/null || true
if [[ ! -d "$dir/$locale_name" ]]; then
  echo "in_language: could not compile the locale $locale_name" >&2
  exit 1
fi
export LOCPATH=$dir LANG=$locale_name LC_ALL=$locale_name
unset LANGUAGE
"$@"
