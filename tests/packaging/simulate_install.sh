#!/usr/bin/env bash
# apt resolves the built package on a machine with nothing installed (an empty dpkg status), so
# the whole closure of its Depends comes from the configured archives: the run-time pieces are
# in it and no build tool is.
set -euo pipefail
deb=$(ls "$1"/tabel_*.deb)
policy=$(apt-cache policy odbc-postgresql 2>/dev/null || true)
if ! grep -q 'Candidate: [0-9]' <<<"$policy"; then
  echo "apt has no package lists: skipped"
  exit 77
fi
plan=$(apt-get install --simulate --no-install-recommends -o Dir::State::status=/dev/null "$deb")
installs=$(sed -n 's/^Inst \([^ ]*\) .*/\1/p' <<<"$plan")
failures=0
for p in tabel odbc-postgresql odbcinst libqt6sql6-odbc libqt6gui6 libqt6charts6 libxlsxwriter4 \
  qt6-translations-l10n fonts-dejavu-core postgresql-client; do
  grep -qxF "$p" <<<"$installs" || { echo "FAIL: a fresh install lacks $p" >&2; failures=1; }
done
if extra=$(grep -E '^(cmake|ninja-build|gcc|g\+\+|qt6-base-dev|.*-dev)$' <<<"$installs"); then
  echo "FAIL: a fresh install pulls build tools: $extra" >&2
  failures=1
fi
echo "a fresh install brings $(wc -l <<<"$installs") packages"
exit "$failures"
