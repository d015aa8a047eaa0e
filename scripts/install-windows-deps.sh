#!/usr/bin/env bash
# Installs what the Windows build and its tests need on a Debian machine: the MinGW-w64 cross
# tools for 32-bit Windows (the -posix thread variant), GoogleTest's sources (Debian's built
# library is for Linux), Wine with its 32-bit half (after adding the i386 architecture), the
# 32-bit CUPS library through which Wine's spooler reaches the scheduler, Xvfb for the windows,
# and Ghostscript to read the PostScript that Wine's spooler sends. The Linux test tools (a
# private CUPS scheduler, PDF tools, tmux) come from install-deps.sh --test. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --test

sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"

packages=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
          googletest wine wine32:i386 libcups2:i386 libgnutls30:i386 libfreetype6:i386
          libfontconfig1:i386 xvfb xauth ghostscript poppler-utils tmux fonts-dejavu-core)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  $sudo apt-get update
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $sudo apt-get update
  # Wine's recommendations (sound, video, GL...) are not needed by a console program; the
  # 32-bit libraries it needs for printing and fonts are named above.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
