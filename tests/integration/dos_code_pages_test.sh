#!/usr/bin/env bash
# Documents of DOS programs on "Print to PDF": a receipt in code page 437 and an invoice in 850
# with printer control codes, checked in the PDF's text (pdftotext) and its rendering
# (pdftoppm); the same bytes with no fourth configuration line print as Windows-1252
# characters, codes and all. Usage: dos_code_pages_test.sh path/to/tavrel
set -u
TAVREL=$(realpath "$1")
LIB=$(cd "$(dirname "$0")/lib" && pwd)
source "$LIB/tmux_harness.sh"
WORK=$(mktemp -d /tmp/tavrel-dos.XXXXXX)
trap 'tmux_stop; rm -rf "$WORK"' EXIT
cd "$WORK"

# configure CODEPAGE - Print to PDF in DejaVu Sans Mono 10, with a fourth line when given.
configure() {
  printf 'Print to PDF\r\nDejaVu Sans Mono\r\n 10\r\n' > tavrel2.cfg
  [ $# -gt 0 ] && printf '%s\r\n' "$1" >> tavrel2.cfg
  return 0
}
# print_capture NAME - Prints WLSDFKJN.DRY once; the PDF becomes NAME.pdf, the console NAME.out.
print_capture() {
  rm -rf pdf
  "$TAVREL" -POSPRINT > "$1.out" 2>&1 < /dev/null
  mv pdf/*.pdf "$1.pdf"
}
pages() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
# word_x PDF WORD - xMin of the first such word in the PDF's boxes.
word_x() { pdftotext -bbox "$1" - | sed -n "s/.*xMin=\"\([0-9.]*\)\".*>$2<\/word>/\1/p" | head -1; }

# The receipt: a double-line frame, accented items, a pound sign, then a cut and a drawer kick.
receipt() {
  printf '\x1b@\xc9\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbb\r\n'
  printf '\xba Caf\x82 M\x81ller  \xba\r\n'
  printf '\xc8\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbc\r\n'
  printf '\x1b\x45Cr\x8ame br\x96l\x82e\x1b\x46  \x9c 4.50\r\n'
  printf 'Total \x9c 4.50\r\n'
  printf '\x1dV\x41\x03\x1bp\x00\x19\xfa'
  printf 'Copy\r\n'
}
receipt > WLSDFKJN.DRY
configure 437
print_capture receipt
check "437: the frame, the accents and the pound sign are their characters" \
  bash -c "pdftotext -layout receipt.pdf - | grep -q '╔══════════════╗' &&
           pdftotext -layout receipt.pdf - | grep -q '║ Café Müller *║' &&
           pdftotext -layout receipt.pdf - | grep -q '╚══════════════╝' &&
           pdftotext -layout receipt.pdf - | grep -q 'Crème brûlée *£ 4.50'"
check "437: no control code prints as a character" \
  bash -c "! pdftotext receipt.pdf - | grep -q '[^[:print:]▒═║╔╗╚╝£éüèûâ[:space:]]'"
check "437: the cut ends the page, the drawer kick prints nothing" \
  bash -c "[ \"$(pages receipt.pdf)\" = 2 ] && pdftotext -f 2 -l 2 receipt.pdf - | tr -d '\f\n' | grep -qx Copy"
check "437: the echo shows the printed text in UTF-8, without the codes" \
  bash -c "grep -q '^║ Café Müller  ║$' receipt.out && grep -q '^Crème brûlée  £ 4.50$' receipt.out &&
           ! LC_ALL=C grep -q \$'\\x1b' receipt.out"

# The frame joins on paper: the top line of the frame is one unbroken run of ink, as wide as
# its 16 characters, and the sides meet it (ink in the frame's corner columns below the top).
pdftoppm -r 150 -gray -f 1 -l 1 receipt.pdf page >/dev/null
check "437: the double-line frame joins on paper" python3 - page-1.pgm <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
width, height = int(parts[1]), int(parts[2])
pixels = parts[4]
rows = [pixels[r * width:(r + 1) * width] for r in range(height)]
dark = lambda v: v < 128
top = next(r for r in range(height) if any(dark(v) for v in rows[r]))
ink = [c for c in range(width) if dark(rows[top][c])]
advance = 150 * 10 * 1233 / 2048 / 72  # DejaVu Sans Mono's advance at 10 points, 150 dpi
span = ink[-1] - ink[0] + 1
ok = len(ink) == span and span >= 15 * advance
# The left side: ink in the frame's outer column on every row from the top line down through
# the middle line into the bottom corner (two line steps of 10 points and more).
step = 150 * 10 * 1.164 / 72
ok = ok and all(dark(rows[r][ink[0]]) for r in range(top, top + int(2 * step)))
sys.exit(0 if ok else 1)
PY

# Bold is drawn bold: a bold face in the PDF and more ink than the same text plain.
check "437: the bold line is in DejaVu Sans Mono Bold" bash -c "pdffonts receipt.pdf | grep -q 'DejaVuSansMono-Bold'"
printf '\x1b\x45TOTAL 12.50\x1b\x46\r\nTOTAL 12.50\r\n' > WLSDFKJN.DRY
print_capture bold
pdftoppm -r 150 -gray bold.pdf bold >/dev/null
check "437: the bold line carries more ink than the same line plain" python3 - bold-1.pgm <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
width, height = int(parts[1]), int(parts[2])
pixels = parts[4]
ink = [sum(255 - v for v in pixels[r * width:(r + 1) * width]) for r in range(height)]
bands, current = [], None
for r, amount in enumerate(ink):
    if amount and current is None: current = [r, 0]
    if amount: current[1] += amount
    if not amount and current is not None: bands.append(current); current = None
sys.exit(0 if len(bands) == 2 and bands[0][1] > 1.2 * bands[1][1] else 1)
PY

# Underline is a stroke under the characters: a row of unbroken ink as wide as "iiii" under
# the underlined line, none under the same line plain.
printf '\x1b-\x01iiii\x1b-\x00\r\niiii\r\n' > WLSDFKJN.DRY
print_capture underline
pdftoppm -r 150 -gray underline.pdf under >/dev/null
check "437: the underlined line has its stroke, the plain one none" python3 - under-1.pgm <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
width, height = int(parts[1]), int(parts[2])
pixels = parts[4]
advance = 150 * 10 * 1233 / 2048 / 72
def longest_run(row):
    best = run = 0
    for v in pixels[row * width:(row + 1) * width]:
        run = run + 1 if v < 128 else 0
        best = max(best, run)
    return best
step = 150 * 10 * 1.164 / 72
inked = [r for r in range(height) if longest_run(r) > 0]
first = inked[0]
long_rows = [r for r in range(height) if longest_run(r) >= 3.5 * advance]
sys.exit(0 if long_rows and all(r < first + step for r in long_rows) else 1)
PY

# Double width and condensed: ESC W and SI change the characters' width; SO lasts to its
# line's end; a double-width line too long for the page is drawn at normal width.
word_width() { pdftotext -bbox "$1" - | sed -n "s/.*xMin=\"\([0-9.]*\)\".*xMax=\"\([0-9.]*\)\".*>$2<\/word>/\2 \1/p" | head -1 | awk '{print $1 - $2}'; }
long=$(printf 'LONG%.0s' $(seq 1 15))
printf '\x1bW\x01BIG\x1bW\x00 normal\r\n\x0fTINY\x12 normal\r\n\x0eWIDE\r\nnext\r\n\x1b!\x20%s\r\n' "$long" > WLSDFKJN.DRY
print_capture widths
check "437: double width, condensed and the line too long for double width" python3 -c "
import sys
a = 10 * 1233 / 2048
widths = {'BIG': $(word_width widths.pdf BIG), 'TINY': $(word_width widths.pdf TINY),
          'WIDE': $(word_width widths.pdf WIDE), 'next': $(word_width widths.pdf next),
          'normal': $(word_width widths.pdf normal), 'long': $(word_width widths.pdf "$long")}
near = lambda value, want: abs(value - want) < 0.03 * want
sys.exit(0 if near(widths['BIG'], 6 * a) and near(widths['TINY'], 4 * a * 10 / 17) and
         near(widths['WIDE'], 8 * a) and near(widths['next'], 4 * a) and
         near(widths['normal'], 6 * a) and near(widths['long'], 60 * a) else 1)"

# The invoice in 850: bold heading, tab columns, a form feed between its two pages.
invoice() {
  printf '\x1b\x45INVOICE 1042\x1b\x46\r\n'
  printf 'Qty\tItem\tPrice\r\n'
  printf '2\tK\x84se\t\x9c 3.00\r\n'
  printf '\x0c'
  printf '\x1b\x45Page 2\x1b\x46\r\n'
  printf 'Stra\xe1e 5, Z\x81rich\r\n'
}
invoice > WLSDFKJN.DRY
configure 850
print_capture invoice
check "850: the form feed starts the second page, and no blank page follows" \
  bash -c "[ \"$(pages invoice.pdf)\" = 2 ] && pdftotext -f 2 -l 2 invoice.pdf - | grep -q 'Straße 5, Zürich'"
check "850: the accented item and the pound sign" bash -c "pdftotext -layout invoice.pdf - | grep -q 'Käse'"
advance=$(python3 -c 'print(10 * 1233 / 2048)')
check "850: a tab moves to the next multiple of 8 columns" python3 -c "
import sys
qty, item, price = $(word_x invoice.pdf Qty), $(word_x invoice.pdf Item), $(word_x invoice.pdf Price)
sys.exit(0 if abs(item - qty - 8 * $advance) < 0.5 and abs(price - qty - 16 * $advance) < 0.5 else 1)"
check "850: the headings are bold" bash -c "pdffonts invoice.pdf | grep -q 'DejaVuSansMono-Bold'"

# No fourth line: every byte a Windows-1252 character, as always; codes print, a form feed
# starts no page, nothing is bold.
receipt > WLSDFKJN.DRY
configure
print_capture plain
check "no fourth line: bytes are Windows-1252 characters" \
  bash -c "pdftotext plain.pdf - | grep -q 'ÉÍÍÍÍÍÍÍÍÍÍÍÍÍÍ»' && pdftotext plain.pdf - | grep -q 'Caf‚ M'"
check "no fourth line: one page, no bold face" \
  bash -c "[ \"$(pages plain.pdf)\" = 1 ] && ! pdffonts plain.pdf | grep -q Bold"
invoice > WLSDFKJN.DRY
print_capture plain_invoice
check "no fourth line: the form feed starts no page" bash -c "[ \"$(pages plain_invoice.pdf)\" = 1 ]"
# 1252 named is the same as no line: the same text and the same rendering.
configure 1252
print_capture named
pdftoppm -r 100 -gray plain_invoice.pdf a >/dev/null
pdftoppm -r 100 -gray named.pdf b >/dev/null
check "1252 named prints exactly as no fourth line" \
  bash -c "cmp -s <(pdftotext plain_invoice.pdf -) <(pdftotext named.pdf -) && cmp -s a-1.pgm b-1.pgm"

# An unknown code page: a clear line, and Windows-1252.
configure 999
print_capture unknown
check "an unknown code page is said and Windows-1252 used" \
  bash -c "grep -q 'Code page \"999\" in tavrel2.cfg is not one Tavrel knows' unknown.out &&
           [ \"$(pages unknown.pdf)\" = 1 ]"

# Cyrillic in 866 (a DOS code page beyond Latin letters).
printf '\x8f\xe0\xa8\xa2\xa5\xe2 \x8c\xae\xe1\xaa\xa2\xa0\r\n' > WLSDFKJN.DRY
configure 866
print_capture cyrillic
check "866: Cyrillic letters" bash -c "pdftotext cyrillic.pdf - | grep -q 'Привет Москва'"
# On a terminal the echo shows the same letters.
rm -rf pdf
tmux_start "$WORK" "$TAVREL" -posprint
check "866: the echo on a terminal shows the Cyrillic letters" tmux_wait_for "Привет Москва" 20
tmux_stop

# Setup asks nothing about the code page, and keeps the fourth line when it rewrites the file.
configure 850
tmux_start "$WORK" "$TAVREL" -setup
tmux_wait_for "Select a printer from the above list." || exit 1
tmux_keys -l 1; tmux_keys Enter
tmux_wait_for "Select a font from the above list." || exit 1
FONT_NUMBER=$(tmux_screen | sed -n 's/^ *\([0-9][0-9]*\) DejaVu Sans Mono$/\1/p' | head -1)
tmux_keys -l "$FONT_NUMBER"; tmux_keys Enter
tmux_wait_for "Common size for POS is 10" || exit 1
tmux_keys -l 12; tmux_keys Enter
tmux_wait_exit "$WORK" 10 >/dev/null
tmux_stop
check "setup keeps the fourth line" \
  cmp -s tavrel2.cfg <(printf 'Print to PDF\r\nDejaVu Sans Mono\r\n 12\r\n850\r\n')

# Every document printed above is a sound PDF; characters beyond Windows-1252 are in an
# embedded subset of the face, those of Windows-1252 keep their WinAnsi font.
for pdf in *.pdf; do
  check "${pdf%.pdf}: qpdf finds no fault" bash -c 'qpdf --check "$1" > /dev/null' - "$pdf"
done
check "437: the frame in a composite subset, the letters in a WinAnsi one" \
  bash -c "pdffonts receipt.pdf | grep -Eq '^[A-Z]{6}\+DejaVuSansMono +CID TrueType +Identity-H +yes +yes +yes' &&
           pdffonts receipt.pdf | grep -Eq '^[A-Z]{6}\+DejaVuSansMono +TrueType +WinAnsi +yes +yes +yes'"
check "no fourth line: no composite font" bash -c "! pdffonts plain.pdf | grep -q Identity-H"
finish
