#!/usr/bin/env bash
# Checks the plan of the house (docs/architecture.md) on the sources under src/:
#  1. a file includes headers of its own layer or of layers below it, never above:
#     shell > monitor > config > print, tray > platform > base;
#  2. a header in an operating system's folder (linux/, windows/) is included only from a
#     folder of the same system, or from the seam's interface header of the same name, which
#     picks the system's own (platform/printer/printer_device.h includes
#     printer/linux/printer_device.h or printer/windows/printer_device.h), so one system's
#     layer sits beside the other's without seeing it;
#  3. outside the operating systems' folders no file includes an operating system's header.
# Prints each breach and exits 1 when there is one.
set -u
cd "$(dirname "$0")/../src"

rank() {
  case "$1" in
    base) echo 0 ;; platform) echo 1 ;; print | tray) echo 2 ;; config) echo 3 ;;
    monitor) echo 4 ;; shell) echo 5 ;; *) echo -1 ;;
  esac
}
os_headers='unistd\.h|fcntl\.h|sys/|termios\.h|signal\.h|spawn\.h|dirent\.h|poll\.h|strings\.h|cups/|cairo|hb\.h|hb-subset\.h|zlib\.h|fontconfig/|ft2build\.h|windows\.h|winspool\.h|shellapi\.h|wingdi\.h|winuser\.h|io\.h'

breaches=0
breach() { echo "$1"; breaches=$((breaches + 1)); }

while IFS= read -r file; do
  layer=${file%%/*}
  own=$(rank "$layer")
  [ "$own" -lt 0 ] && { breach "$file: not in a known layer"; continue; }
  # The operating system whose folder holds the file, if any.
  os_folder=""
  [[ "$file" =~ /(linux|windows)/ ]] && os_folder=${BASH_REMATCH[1]}
  while IFS= read -r included; do
    target=${included%%/*}
    theirs=$(rank "$target")
    if [ "$theirs" -lt 0 ]; then
      breach "$file: includes \"$included\", which is in no layer"
    elif [ "$theirs" -gt "$own" ] || { [ "$theirs" -eq "$own" ] && [ "$target" != "$layer" ]; }; then
      breach "$file: includes \"$included\" from a layer above or beside its own ($layer)"
    fi
    if [[ "$included" =~ /(linux|windows)/ ]]; then
      system=${BASH_REMATCH[1]}
      # The seam's interface header: platform/<seam>/<name>.h picking <seam>/<system>/<name>.h.
      interface="${included%/"$system"/*}/${included##*/}"
      if [ "$system" != "$os_folder" ] && [ "$file" != "$interface" ]; then
        breach "$file: includes the $system-only \"$included\" outside a $system/ folder"
      fi
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  if [ -z "$os_folder" ]; then
    while IFS= read -r system; do
      breach "$file: includes the operating system's <$system> outside an operating system's folder"
    done < <(sed -n 's/^#include <\([^>]*\)>.*/\1/p' "$file" | grep -E "^($os_headers)")
  fi
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort)

if [ "$breaches" -gt 0 ]; then
  echo "$breaches breach(es) of the layering"
  exit 1
fi
echo "layering: every include goes down, OS headers only in linux/ and windows/ folders"
