#!/usr/bin/env bash
# The built package: its files, its Depends, the desktop entry, the icons and the manual pages.
set -euo pipefail
export LC_ALL=C.UTF-8
dir=$1
deb=$(ls "$dir"/tabel_*.deb)
root=$dir/root
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

files=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
expected=(
  /usr/bin/tabel /usr/bin/tabel-batch /usr/bin/tabel-dbsetup
  /usr/share/applications/tabel.desktop
  /usr/share/icons/hicolor/scalable/apps/tabel.svg
  /usr/share/man/man1/tabel.1.gz /usr/share/man/man8/tabel-dbsetup.8.gz
  /usr/share/tabel/sql/10-domains.sql /usr/share/tabel/sql/20-schema.sql
  /usr/share/tabel/sql/30-functions.sql /usr/share/tabel/sql/35-history.sql
  /usr/share/tabel/sql/37-month_close.sql
  /usr/share/tabel/sql/40-roles.sql /usr/share/tabel/odbc/odbcinst.ini
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/tabel.png")
done
for f in "${expected[@]}"; do
  grep -qxF "$f" <<<"$files" || fail "the package lacks $f"
done
# Only the scripts a plant database gets: no stand-in, demo data or generator.
while read -r f; do
  case "$(basename "$f")" in
    *plant* | *demo* | *generate*) fail "the package ships $f" ;;
  esac
done < <(grep '^/usr/share/tabel/sql/.' <<<"$files")
[ -x "$root/usr/bin/tabel" ] || fail "the program is not executable"
[ -x "$root/usr/bin/tabel-dbsetup" ] || fail "tabel-dbsetup is not executable"
# The command line runs where no window system is: its program must not load Qt Widgets.
if ldd "$root/usr/bin/tabel-batch" | grep -q 'libQt6\(Widgets\|PrintSupport\)'; then
  fail "tabel-batch loads Qt Widgets"
fi

# Depends: the run-time pieces the program loads or runs, and the libraries it links.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for p in odbc-postgresql libqt6sql6-odbc libqt6sql6-psql libqt6charts6 unixodbc libqt6widgets6 libqt6core6 libxlsxwriter4 \
  fonts-dejavu-core qt6-translations-l10n postgresql-client; do
  grep -qxF "$p" <<<"$depends" || fail "Depends lacks $p"
done

desktop=$root/usr/share/applications/tabel.desktop
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
grep -qx 'Name=Табель' "$desktop" || fail "the desktop entry is not named Табель"
grep -qx 'Exec=tabel' "$desktop" || fail "the desktop entry does not start tabel"
grep -q '^Categories=.*Office;' "$desktop" || fail "the desktop entry is not in Office"
grep -qP '^Comment=.*\p{Cyrillic}' "$desktop" || fail "the desktop entry has no Russian comment"

# Each PNG is as large as the folder it lies in says (width and height from its header).
for size in 16 22 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/tabel.png
  [ -f "$png" ] || continue
  read -r w h < <(od -An -tu1 -j 16 -N 8 "$png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w $h" = "$size $size" ] || fail "icon ${size}x${size} is ${w}x${h}"
done

# Manual pages format without warnings and tabel(1) covers the command line.
for page in man1/tabel.1.gz man8/tabel-dbsetup.8.gz; do
  f=$root/usr/share/man/$page
  [ -f "$f" ] || continue
  warnings=$(zcat "$f" | preconv -e utf-8 | groff -man -ww -z -Tutf8 2>&1) ||
    fail "$page does not format"
  [ -z "$warnings" ] || fail "$page: $warnings"
done
man1=$(zcat "$root/usr/share/man/man1/tabel.1.gz" 2>/dev/null | sed 's/\\-/-/g' || true)
for word in SERVER DATABASE --user --report workers products workers-detail products-detail \
  requisitions summary payslip --worker --all --from --to --kind finished blanks --pdf --xlsx \
  --timesheet --rebuild-hours --help TABEL_PASSWORD 'EXIT STATUS' tabel-dbsetup; do
  grep -qF -- "$word" <<<"$man1" || fail "tabel(1) does not mention $word"
done

# Every option the program's own help lists is in the manual page too (Qt's generic
# --help-all aside). A program without batch
# mode takes "--help" for a server and waits at its login window: the timeout ends it.
help=$(QT_QPA_PLATFORM=offscreen timeout 15 "$root/usr/bin/tabel" --help 2>&1) || help=
while read -r option; do
  grep -qF -- "$option" <<<"$man1" || fail "tabel(1) does not mention $option from --help"
done < <(grep -oE -- '--[a-z][a-z-]+' <<<"$help" | grep -vx -- '--help-all' | sort -u)

[ "$failures" -eq 0 ]
