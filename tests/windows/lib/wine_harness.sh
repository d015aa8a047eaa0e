# Runs the Windows program under Wine for the integration tests. Source this file after
# ../../integration/lib/cups_harness.sh and tmux_harness.sh; call wine_setup PATH/TO/tavrel.exe.
#
# Wine's prefix lives in the build folder beside tavrel.exe (never in the home folder), and
# Wine's debug chatter is off. Wine's spooler takes its printers from the CUPS scheduler that
# CUPS_SERVER names, afresh in every process, so the private cupsd of a test is the printer
# list the program sees. The scripts share one prefix and run one at a time.

# wine_setup EXE - Exports the prefix settings and makes the prefix once (a lock keeps two
# first runs from making it together).
wine_setup() {
  TAVREL_EXE=$(realpath "$1")
  BUILD_DIR=$(dirname "$TAVREL_EXE")
  export WINEPREFIX="${WINEPREFIX:-$BUILD_DIR/wineprefix}"
  export WINEDEBUG=-all
  # No .NET or web-browser installers: a console program needs neither.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i > /dev/null 2>&1
      wineserver -w
    fi
  ) 9> "$WINEPREFIX.lock"
}

# wine_path FILE - The file's name as the Windows program sees it (drive Z: is the root).
wine_path() {
  echo "Z:$(realpath "$1" | tr / '\\')"
}

# job_text FILE - The text of a captured job: Wine's spooler sends PostScript, which CUPS may
# have turned into PDF on the way; either becomes plain text.
job_text() {
  local file=$1
  if head -c 4 "$file" | grep -q '%!PS'; then
    ps2pdf "$file" "$file.pdf" && pdftotext -layout "$file.pdf" -
  else
    pdftotext -layout "$file" -
  fi
}

# cross_compile SOURCE OUTPUT - Builds a small Windows helper program (a writer, say) with the
# same cross tools as the program.
cross_compile() {
  i686-w64-mingw32-gcc-posix -O1 -static -o "$2" "$1"
}

# wine_stop - Waits for the prefix's Wine processes to end, so the next script starts clean.
wine_stop() {
  timeout 60 wineserver -w 2>/dev/null
  return 0
}
