#!/usr/bin/env bash
# Opens every export of the report writers with the program a user would open it with, headless:
# LibreOffice (text, CSV, HTML, Excel, RTF and metafile), ImageMagick and libwmf (metafile) and
# poppler (PDF). Each file is converted, its text read back and checked, and the first page of
# each is rendered to PNG for a person to look at.
#
#   scripts/check-exports.sh [build-dir] [output-dir]
#
# The files come from the writers' test (tst_exportwriters, which keeps them when QM_EXPORT_DIR
# is set): three pages with a title, captions, rows with accents and quotes, right-aligned
# numbers, a memo, rules and a frame. Too slow for CI (LibreOffice takes seconds per file), so
# not part of scripts/test.sh. Installs the Debian packages it needs when run as root.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-$(mktemp -d /tmp/quillmark-exports.XXXXXX)}

packages=(libreoffice-calc-nogui libreoffice-writer-nogui libreoffice-draw-nogui imagemagick libwmf-bin poppler-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  else
    echo "check-exports needs these Debian packages: ${missing[*]}" >&2
    exit 1
  fi
fi

test_bin="$build/tests/platform/report/tst_exportwriters"
if [ ! -x "$test_bin" ]; then
  cmake --build "$build" --target tst_exportwriters -j"$(nproc)" >/dev/null
fi
mkdir -p "$out/files" "$out/read" "$out/png"
QM_EXPORT_DIR="$out/files" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$test_bin" >"$out/tst_exportwriters.log" 2>&1 \
  || { cat "$out/tst_exportwriters.log"; exit 1; }

# LibreOffice with a profile of its own, so that it never meets a running instance.
profile="file://$out/lo-profile"
soffice_convert() { # <to> <outdir> <file> [import filter]
  local args=(--headless --norestore "-env:UserInstallation=$profile")
  [ -n "${4:-}" ] && args+=("--infilter=$4")
  timeout 180 soffice "${args[@]}" --convert-to "$1" --outdir "$2" "$3" >/dev/null 2>&1
}

failures=0
pass() { echo "ok    $1"; }
fail() { echo "FAIL  $1"; failures=$((failures + 1)); }
# expect <what> <text file> <string>...: every string must occur in the text.
expect() {
  local what=$1 file=$2
  shift 2
  for s in "$@"; do
    if ! grep -qF -- "$s" "$file"; then
      fail "$what: \"$s\" not found"
      return
    fi
  done
  pass "$what"
}
first_page_png() { # <pdf> <name>
  pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$1" "$out/png/$2"
}

# Text, CSV, HTML, Excel and RTF, each opened by LibreOffice and printed to PDF.
declare -A filter=([csv]="CSV:44,34,76,1" [txt]="Text (encoded):UTF8,LF,,,")
for ext in txt csv html xls rtf; do
  dir="$out/read/$ext"
  mkdir -p "$dir"
  if ! soffice_convert pdf "$dir" "$out/files/report.$ext" "${filter[$ext]:-}" || [ ! -s "$dir/report.pdf" ]; then
    fail "LibreOffice opens report.$ext"
    continue
  fi
  pdftotext -layout "$dir/report.pdf" "$dir/report.txt"
  # Calc takes the figures of a CSV file as numbers and shows 10.00 as 10.
  last=10.00
  [ "$ext" = csv ] && last=14.25
  expect "LibreOffice reads report.$ext" "$dir/report.txt" \
    "Summary of hours by project" "Café déjà vu 3" 'Design, "phase" 2' "34.25" "$last" "Page: 3"
  first_page_png "$dir/report.pdf" "$ext"
done

# Excel: numbers are number cells (LibreOffice's flat XML tells the cell type).
if soffice_convert fods "$out/read/xls" "$out/files/report.xls" && [ -s "$out/read/xls/report.fods" ]; then
  expect "LibreOffice takes the numbers of report.xls as numbers" "$out/read/xls/report.fods" \
    'office:value-type="float" office:value="14.25"' 'office:value-type="float" office:value="7.5"'
  if grep -qF 'office:value-type="string"' "$out/read/xls/report.fods" && ! grep -qE 'office:value="14.25"[^>]*string' "$out/read/xls/report.fods"; then
    pass "report.xls keeps texts as texts"
  else
    fail "report.xls keeps texts as texts"
  fi
else
  fail "LibreOffice converts report.xls"
fi
if soffice_convert csv "$out/read/xls" "$out/files/long.xls" && [ "$(wc -l <"$out/read/xls/long.csv")" -eq 3000 ]; then
  pass "LibreOffice reads all 3000 rows of long.xls"
else
  fail "LibreOffice reads all 3000 rows of long.xls"
fi

# Metafiles: one per page; LibreOffice Draw, ImageMagick (libwmf) and wmf2svg read them.
for page in report report_2 report_3; do
  n=${page#report_}
  [ "$n" = report ] && n=1
  dir="$out/read/wmf"
  mkdir -p "$dir"
  if soffice_convert pdf "$dir" "$out/files/$page.wmf" && [ -s "$dir/$page.pdf" ]; then
    pdftotext -layout "$dir/$page.pdf" "$dir/$page.txt"
    expect "LibreOffice Draw reads $page.wmf" "$dir/$page.txt" "P$n-4" "Café déjà vu 3" "Page: $n"
  else
    fail "LibreOffice Draw opens $page.wmf"
  fi
  if convert -density 60 "$out/files/$page.wmf" "$out/png/wmf-$page.png" 2>"$dir/$page.convert.log" \
    && [ "$(identify -format '%w %h' "$out/png/wmf-$page.png")" = "510 660" ]; then
    pass "ImageMagick draws $page.wmf as a whole Letter page"
  else
    fail "ImageMagick draws $page.wmf as a whole Letter page ($(cat "$dir/$page.convert.log"))"
  fi
  if wmf2svg -o "$dir/$page.svg" "$out/files/$page.wmf" 2>/dev/null; then
    expect "libwmf reads the texts of $page.wmf" "$dir/$page.svg" "P$n-4" "Page: $n"
  else
    fail "libwmf reads $page.wmf"
  fi
done

# HTML in a browser too, where one is installed (chromium): a screenshot of the first page.
if command -v chromium >/dev/null 2>&1; then
  if timeout 120 chromium --headless --no-sandbox --disable-gpu --window-size=900,1100 \
    "--screenshot=$out/png/html-browser.png" "file://$out/files/report.html" >/dev/null 2>&1 \
    && [ -s "$out/png/html-browser.png" ]; then
    pass "chromium shows report.html (png/html-browser.png)"
  else
    fail "chromium shows report.html"
  fi
fi

# PDF: poppler.
if pdfinfo "$out/files/report.pdf" >"$out/read/pdfinfo.txt" 2>&1 && grep -qE '^Pages:\s+3$' "$out/read/pdfinfo.txt"; then
  pass "poppler reads report.pdf, 3 pages"
else
  fail "poppler reads report.pdf, 3 pages"
fi
pdftotext -layout "$out/files/report.pdf" "$out/read/pdf.txt"
expect "poppler reads the text of report.pdf" "$out/read/pdf.txt" "Summary of hours by project" "Café déjà vu 3" "Page: 3"
first_page_png "$out/files/report.pdf" pdf

echo
echo "Files in $out/files, what the readers made of them in $out/read, first pages in $out/png."
if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed."
  exit 1
fi
echo "Every export was read back."
