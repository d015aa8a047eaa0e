#!/usr/bin/env bash
# Checks the plan of the house (docs/architecture.md) on the sources under src/:
#  1. a file includes headers of its own layer or of layers below it, never above:
#     shell > monitor > config > print, tray > platform > base;
#  2. a header in a linux/ folder is included only from a linux/ folder, so another operating
#     system's layer can sit beside it without seeing it;
#  3. outside linux/ folders no file includes an operating system's header.
# Prints each breach and exits 1 when there is one.
set -u
cd "$(dirname "$0")/../src"

rank() {
  case "$1" in
    base) echo 0 ;; platform) echo 1 ;; print | tray) echo 2 ;; config) echo 3 ;;
    monitor) echo 4 ;; shell) echo 5 ;; *) echo -1 ;;
  esac
}
os_headers='unistd\.h|fcntl\.h|sys/|termios\.h|signal\.h|spawn\.h|dirent\.h|poll\.h|strings\.h|cups/|cairo|hb\.h|hb-subset\.h|zlib\.h|fontconfig/|ft2build\.h|windows\.h|winspool\.h|io\.h'

breaches=0
breach() { echo "$1"; breaches=$((breaches + 1)); }

while IFS= read -r file; do
  layer=${file%%/*}
  own=$(rank "$layer")
  [ "$own" -lt 0 ] && { breach "$file: not in a known layer"; continue; }
  in_os_folder=0
  [[ "$file" == */linux/* ]] && in_os_folder=1
  while IFS= read -r included; do
    target=${included%%/*}
    theirs=$(rank "$target")
    if [ "$theirs" -lt 0 ]; then
      breach "$file: includes \"$included\", which is in no layer"
    elif [ "$theirs" -gt "$own" ] || { [ "$theirs" -eq "$own" ] && [ "$target" != "$layer" ]; }; then
      breach "$file: includes \"$included\" from a layer above or beside its own ($layer)"
    fi
    if [[ "$included" == */linux/* ]] && [ "$in_os_folder" = 0 ]; then
      breach "$file: includes the Linux-only \"$included\" outside a linux/ folder"
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  if [ "$in_os_folder" = 0 ]; then
    while IFS= read -r system; do
      breach "$file: includes the operating system's <$system> outside a linux/ folder"
    done < <(sed -n 's/^#include <\([^>]*\)>.*/\1/p' "$file" | grep -E "^($os_headers)")
  fi
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort)

if [ "$breaches" -gt 0 ]; then
  echo "$breaches breach(es) of the layering"
  exit 1
fi
echo "layering: every include goes down, OS headers only in linux/ folders"
