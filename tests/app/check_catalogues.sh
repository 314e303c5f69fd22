#!/usr/bin/env bash
# Every catalogue in po/ translates every message the sources mark, with nothing fuzzy.
# Usage: check_catalogues.sh SOURCE_DIR
set -eu
cd "$1"
pot=$(mktemp)
trap 'rm -f "$pot"' EXIT
xgettext --from-code=UTF-8 -C --keyword=Tr --keyword=N_ --keyword=TrFormat:1 \
  --files-from=po/POTFILES -o "$pot"
# The web element's own words, marked _tr('...') and N_('...').
xgettext -j --from-code=UTF-8 -L JavaScript --keyword=_tr --keyword=N_ -o "$pot" web/kolo-board.js
status=0
for po in po/*.po; do
  stats=$(LC_ALL=C msgfmt --check --statistics -o /dev/null "$po" 2>&1)
  if [[ "$stats" == *fuzzy* || "$stats" == *untranslated* ]]; then
    echo "$po: $stats"
    status=1
  fi
  # msgcmp names each message of the sources that the catalogue lacks.
  msgcmp --use-untranslated "$po" "$pot" || { echo "$po lacks messages of the sources"; status=1; }
done
exit $status
