# The documents the PDF writer's test prints, in one place for the test and for making its
# reference files (tests/integration/pdf_reference/make_reference.sh). Source this file.
#
# Capture documents go through `tavrel -POSPRINT` on "Print to PDF" (the receipt document on a
# CUPS queue of 80 mm paper at 203 dpi instead); drawn documents through pdf_document_drawer,
# which calls the printer device directly for what a capture file cannot ask for.

PDF_CAPTURE_DOCUMENTS="wraps pages bytes controls bigtype proportional"
# Documents in DOS code pages (a fourth configuration line), with printer control codes.
PDF_DOS_DOCUMENTS="dos437 dos866 dosoutlines dosmissing"
PDF_DRAWN_DOCUMENTS="landscape styles outlines pictures large"
# Drawn documents of characters beyond Windows-1252, by the wide calls.
PDF_WIDE_DOCUMENTS="widetext wideoutlines"
PDF_ALL_DOCUMENTS="$PDF_CAPTURE_DOCUMENTS receipt $PDF_DRAWN_DOCUMENTS $PDF_DOS_DOCUMENTS
  $PDF_WIDE_DOCUMENTS"

# pdf_capture_files NAME PRINTER - The configuration and capture file of a capture document in
# the current folder.
pdf_capture_files() {
  local name=$1 printer=$2 face="DejaVu Sans Mono" size=" 10" codepage=""
  case $name in
    bigtype) size=" 36" ;;
    proportional) face="Liberation Sans" ;;
    dos437) codepage=437 ;;
    dos866) codepage=866 face="Liberation Mono" ;;
    dosoutlines) codepage=437 face="Nimbus Mono PS" ;;
    dosmissing) codepage=437 face="DejaVu Math TeX Gyre" ;;
  esac
  printf '%s\r\n%s\r\n%s\r\n' "$printer" "$face" "$size" > tavrel2.cfg
  [ -z "$codepage" ] || printf '%s\r\n' "$codepage" >> tavrel2.cfg
  python3 - "$name" <<'PY'
import random, sys
name = sys.argv[1]
r = random.Random(14)
words = ["TOTAL", "qty", "Kaffee", "(2x)", "12.50", "\\back\\", "Caf\xe9", "\x80", "--", "#"]
def line(n):
    return " ".join(r.choice(words) for _ in range(n))
if name == "wraps" or name == "receipt":
    # Long lines wrap at the printable width; a line of exactly one width and one beyond.
    lines = [line(30), "X" * 80, "Y" * 81, line(5), "Z" * 300]
elif name == "pages":
    lines = [f"{i:4d} " + line(6) for i in range(150)]
elif name == "bytes":
    every = bytes(range(0x20, 0x100)).decode("latin-1")
    lines = [every[i:i + 32] for i in range(0, len(every), 32)]
elif name == "controls":
    # NUL inside a line, other control bytes, and Ctrl-Z ending the data mid-line.
    lines = ["before\x00after", "tab\there bell\x07 esc\x1b[0m", "form\x0cfeed", "last\x1aunseen",
             "never printed"]
elif name == "bigtype":
    lines = [line(3), "W" * 30, line(8)]
elif name == "proportional":
    lines = [line(12), "iiiiiiiiiiWWWWWWWWWW.....", line(40)]
elif name in ("dos437", "dosoutlines"):
    # Frames of double and single lines, shades, accents and the pound sign; bold, underline,
    # double width and condensed print; tabs; a form feed to a second page.
    lines = ["\x1b@\xc9" + "\xcd" * 20 + "\xbb", "\xba Caf\x82 M\x81ller \x9c 4.50   \xba",
             "\xcc" + "\xcd" * 9 + "\xcb" + "\xcd" * 10 + "\xb9",
             "\x1bE\xba Cr\x8ame    \xba br\x96l\x82e    \xba\x1bF",
             "\xc8" + "\xcd" * 9 + "\xca" + "\xcd" * 10 + "\xbc",
             "\xda\xc4\xc4\xc2\xc4\xc4\xbf \xb0\xb1\xb2\xdb\xdc\xdf",
             "\xb3ab\xb3cd\xb3 \x1bW\x01Wide \xcd\xcd\x1bW\x00 normal",
             "\xc0\xc4\xc4\xc1\xc4\xc4\xd9 \x0fcondensed \xc4\xc4\xc4\x12 plain",
             "Qty\tItem\tPrice", "2\tK\x84se\t\x9c 3.00", "\x0c\x1bE Page 2\x1bF",
             "\xe0\xe1\xe2 \xe3\xe4 \xf1\xf8\xfb \xae\xaf", "\x1b-\x01\xc9\xcd underlined \xcd\xbb\x1b-\x00"]
elif name == "dosmissing":
    # A face without box drawing: the frame is the missing glyph, the letters beside it are not.
    lines = ["\xc9\xcd\xbb Caf\x82 \xe0\xe1 \xb0x", "\xba \x9c1 \xba\xba\xbaend"]
elif name == "dos866":
    # Cyrillic among frames of single lines.
    lines = ["\xda" + "\xc4" * 14 + "\xbf", "\xb3\x8f\xe0\xa8\xa2\xa5\xe2 \x8c\xae\xe1\xaa\xa2\xa0\xb3",
             "\xc0" + "\xc4" * 14 + "\xd9", "\x1bE\x88\xe2\xae\xa3\xae\x1bF 12.50 \xfc"]
data = "".join(l + "\r\n" for l in lines).encode("latin-1")
open("WLSDFKJN.DRY", "wb").write(data)
PY
}

# pdf_make_document NAME TAVREL DRAWER OUT - Prints a document on "Print to PDF" (not the
# receipt, which needs a CUPS queue) and moves the PDF to OUT. The positions the drawer
# measured go beside it (OUT.words).
pdf_make_document() {
  local name=$1 tavrel=$2 drawer=$3 out=$4 folder
  folder=$(mktemp -d /tmp/tavrel-pdfdoc.XXXXXX)
  (
    cd "$folder" || exit 1
    if [[ " $PDF_DRAWN_DOCUMENTS $PDF_WIDE_DOCUMENTS " == *" $name "* ]]; then
      "$drawer" "$name" > words || exit 1
    else
      pdf_capture_files "$name" "Print to PDF"
      "$tavrel" -POSPRINT > console.txt 2>&1 < /dev/null || exit 1
    fi
  ) || { rm -rf "$folder"; return 1; }
  local made=("$folder"/pdf/*.pdf)
  [ -f "${made[0]}" ] || { rm -rf "$folder"; return 1; }
  mv "${made[0]}" "$out"
  if [ -f "$folder/words" ]; then mv "$folder/words" "$out.words"; fi
  rm -rf "$folder"
}

# pdf_make_receipt TAVREL QUEUE OUT - Prints the receipt document on a CUPS queue (the private
# scheduler of cups_harness.sh, started by the caller) and copies the job's PDF to OUT.
pdf_make_receipt() {
  local tavrel=$1 queue=$2 out=$3 folder before
  folder=$(mktemp -d /tmp/tavrel-pdfdoc.XXXXXX)
  before=$(ls "$CUPS_TMP/capture/$queue"/job-*.bin 2>/dev/null | wc -l)
  (cd "$folder" && pdf_capture_files receipt "$queue" &&
    "$tavrel" -POSPRINT > console.txt 2>&1 < /dev/null) || { rm -rf "$folder"; return 1; }
  rm -rf "$folder"
  cups_wait_jobs "$queue" $((before + 1)) 30 || return 1
  cp "$(cups_job_file "$queue" $((before + 1)))" "$out"
}
