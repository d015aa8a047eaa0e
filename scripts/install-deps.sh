#!/usr/bin/env bash
# Installs the Debian packages Tavrel needs to build and run; with --test also those its
# tests need (a private CUPS scheduler, PDF tools, tmux, and the tools that build the Debian
# package and check the manual page). Safe to run again.
set -euo pipefail

packages=(g++ cmake pkg-config libcups2-dev libharfbuzz-dev zlib1g-dev libfontconfig-dev
          libfreetype-dev libgtest-dev libgmock-dev fonts-dejavu-core)
if [ "${1:-}" = "--test" ]; then
  packages+=(cups-daemon cups-client cups cups-filters cups-ipp-utils poppler-utils tmux
             fonts-liberation2 fonts-urw-base35 python3 paps time dpkg-dev file man-db groff-base
             mandoc qpdf)
fi

sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
