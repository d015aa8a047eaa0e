#!/usr/bin/env bash
# The PDF documents the printer layer writes, against the same documents printed by the build
# from before the PDF writer (cairo's PDF surface; tests/integration/pdf_reference, made by its
# make_reference.sh): every document passes qpdf's check, embeds its fonts (TrueType faces as
# subsets), gives the same text, places every word where the reference does and where the
# measured advances say, and renders like the reference.
# Usage: pdf_writer_test.sh path/to/tavrel (pdf_document_drawer is in the build's tests/)
set -u
TAVREL=$(realpath "$1")
DRAWER=$(dirname "$TAVREL")/tests/pdf_document_drawer
LIB=$(cd "$(dirname "$0")/lib" && pwd)
REFERENCE=$(cd "$(dirname "$0")/pdf_reference" && pwd)
source "$LIB/cups_harness.sh"
source "$LIB/tmux_harness.sh"
source "$LIB/pdf_documents.sh"
WORK=$(mktemp -d /tmp/tavrel-pdfw.XXXXXX)
trap 'cups_stop; rm -rf "$WORK"' EXIT
[ -x "$DRAWER" ] || { echo "no $DRAWER"; exit 1; }

cups_start || exit 1
cups_add_queue receipt receipt.ppd 2>/dev/null || exit 1

# Words of proportional faces: today's PDFs drop the small differences between a glyph's own
# advance and its whole-pixel one, so their words drift from the measured places by up to
# about half a point along a line; there the new ones are held to 0.75 pt of today's, and the
# drawn documents' words to 0.02 pt of the measured places.
proportional=" styles proportional large widetext "
# Faces without TrueType outlines are drawn from their outlines (Type 3), whose vertical
# extent pdftotext takes from another metric: there the left and right ends are compared.
outlines=" outlines dosoutlines wideoutlines "
# The missing glyph is drawn from its outline as well: there too the ends are compared.
missing=" dosmissing "
# Renderings: the share of pixels (100 dpi, grey) allowed to differ by more than a quarter of
# the grey range. Text in the same font at the same places differs only in a few edge pixels;
# proportional text that today's PDF places up to half a point away, and faces that today's
# PDF embeds as CFF and the new one draws from outlines, differ along glyph edges.
render_share() {
  case " $1 " in
    " styles " | " proportional " | " large " | " widetext ") echo 0.02 ;;
    " outlines " | " dosoutlines ") echo 0.005 ;;
    # Five full lines of outlines: more edges to the page.
    " wideoutlines ") echo 0.006 ;;
    *) echo 0.001 ;;
  esac
}

for name in $PDF_ALL_DOCUMENTS; do
  new="$WORK/$name.pdf"
  ref="$REFERENCE/$name.pdf"
  if [ "$name" = receipt ]; then
    pdf_make_receipt "$TAVREL" receipt "$new"
  else
    pdf_make_document "$name" "$TAVREL" "$DRAWER" "$new"
  fi
  check "$name: printed" test -s "$new" || continue
  check "$name: qpdf finds no fault" qpdf --check "$new" > "$WORK/$name.qpdf" 2>&1
  pdffonts "$new" | tail -n +3 > "$WORK/$name.fonts"
  check "$name: every font embedded" awk '$(NF-4) != "yes" { bad = 1 } END { exit bad || NR == 0 }' "$WORK/$name.fonts"
  if [[ "$outlines" == *" $name "* ]]; then
    check "$name: drawn from outlines" bash -c "! grep -q TrueType '$WORK/$name.fonts' && grep -q 'Type 3' '$WORK/$name.fonts'"
    # More characters beyond Windows-1252 than one font's 256 codes: two fonts of them.
    if [ "$name" = wideoutlines ]; then
      check "$name: the characters beyond in fonts of 256 codes" \
        test "$(grep -c 'Type 3' "$WORK/$name.fonts")" = 3
    fi
  else
    check "$name: TrueType subset with WinAnsi codes" grep -Eq '^[A-Z]{6}\+[^ ]+ +TrueType +WinAnsi +yes +yes +yes' "$WORK/$name.fonts"
    # Characters beyond Windows-1252 (DOS frames, Cyrillic) in a composite font of glyph
    # numbers, subset; none in a document of Windows-1252 bytes.
    if [[ " $PDF_DOS_DOCUMENTS $PDF_WIDE_DOCUMENTS " == *" $name "* ]]; then
      check "$name: characters beyond Windows-1252 in a composite subset" \
        grep -Eq '^[A-Z]{6}\+[^ ]+ +CID TrueType +Identity-H +yes +yes +yes' "$WORK/$name.fonts"
    else
      check "$name: no composite font" bash -c "! grep -q 'Identity-H' '$WORK/$name.fonts'"
    fi
  fi
  pdftotext "$new" "$WORK/$name.new.txt"
  pdftotext "$ref" "$WORK/$name.ref.txt"
  check "$name: same text" cmp -s "$WORK/$name.new.txt" "$WORK/$name.ref.txt"
  pdftotext -bbox "$new" "$WORK/$name.new.html"
  pdftotext -bbox "$ref" "$WORK/$name.ref.html"
  if [[ "$proportional" == *" $name "* ]]; then
    check "$name: words within 0.75 pt of today's" \
      python3 "$LIB/bbox_diff.py" "$WORK/$name.new.html" "$WORK/$name.ref.html" 0.75 x
  elif [[ "$outlines$missing" == *" $name "* ]]; then
    check "$name: words within 0.1 pt of today's" \
      python3 "$LIB/bbox_diff.py" "$WORK/$name.new.html" "$WORK/$name.ref.html" 0.1 x
  else
    check "$name: words within 0.1 pt of today's" \
      python3 "$LIB/bbox_diff.py" "$WORK/$name.new.html" "$WORK/$name.ref.html" 0.1
  fi
  if [ -f "$new.words" ]; then
    check "$name: words where the measured advances put them" \
      python3 "$LIB/word_positions.py" "$new.words" "$WORK/$name.new.html"
  fi
  pdftoppm -r 100 -gray "$new" "$WORK/$name-new"
  pdftoppm -r 100 -gray "$ref" "$WORK/$name-ref"
  pages_new=$(ls "$WORK/$name-new"-*.pgm | wc -l)
  pages_ref=$(ls "$WORK/$name-ref"-*.pgm | wc -l)
  check "$name: as many pages as today ($pages_ref)" test "$pages_new" = "$pages_ref"
  rendered=0
  for page in "$WORK/$name-new"-*.pgm; do
    python3 "$LIB/pgm_diff.py" "$page" "${page/-new-/-ref-}" "$(render_share "$name")" \
      || rendered=1
  done
  check "$name: renders as today" test "$rendered" = 0
  rm -f "$WORK/$name"-*.pgm
done

# The document's name goes into the PDF's information as the characters it holds: brackets
# and a backslash escaped, Windows-1252 characters as themselves.
mkdir "$WORK/named" && cd "$WORK/named"
"$DRAWER" large "$(printf 'Bon (n\xb0 12) \\ caf\xe9 \x80 ((')" > /dev/null
named=(pdf/*.pdf)
check "the document's name is the PDF's title" \
  test "$(pdfinfo "${named[0]}" | sed -n 's/^Title: *//p')" = "Bon (n° 12) \\ café € (("
check "the named document passes qpdf's check" qpdf --check "${named[0]}" > /dev/null
finish
