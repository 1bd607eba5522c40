#!/usr/bin/env bash
# Installs what a fresh Debian 12 lacks to build, test and run kelvaro. Idempotent: packages that
# are already installed are skipped, and apt is not touched at all when nothing is missing.
# Uses sudo when not run as root.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config libfltk1.3-dev libx11-dev libfreetype-dev
  libfontconfig-dev libjpeg62-turbo-dev libgtest-dev libbenchmark-dev libeigen3-dev libpng-dev
  libgif-dev libcairo2-dev
  # fuzzing (libFuzzer targets build with clang)
  clang libclang-rt-14-dev
  # the code layout check
  clang-format
  # the Debian package and its checks
  dpkg-dev fakeroot lintian shared-mime-info desktop-file-utils libglib2.0-bin
  # tests on a real X server
  xvfb xauth xdotool imagemagick x11-utils jwm openbox librsvg2-bin libxml2-utils
  # the CAD export tests read the DXF drawing back with ezdxf
  python3-ezdxf
  # the calculation sheet tests read the PDF's text and pages back
  poppler-utils
  # run
  libfltk1.3 libx11-6 libxft2 libfreetype6 libfontconfig1 libjpeg62-turbo libpng16-16 libgif7
  fonts-dejavu-core fonts-dejavu-extra libcairo2
  # the GTK file dialogs (FLTK falls back to its own chooser without it)
  libgtk2.0-0
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
