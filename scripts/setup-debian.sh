#!/bin/sh
# Installs every Debian package the project needs to build, run and test.
# Safe to run again: packages already present are left as they are.
set -e

PACKAGES="
build-essential cmake ninja-build pkg-config ccache
libfltk1.3-dev libopencv-core-dev libopencv-imgproc-dev
libjpeg62-turbo-dev zlib1g-dev libminizip-dev libarchive-dev
libpng-dev libgif-dev libwebp-dev libtiff-dev
libcups2-dev libcairo2-dev
fonts-ipafont-gothic
googletest libgtest-dev libgmock-dev
xvfb xauth xdotool imagemagick x11-utils openbox
python3 xdg-utils gdb
dpkg-dev file desktop-file-utils
cups cups-client cups-filters poppler-utils
p7zip-full jlha-utils libjpeg-turbo-progs libvips-tools
clang libclang-rt-dev llvm clang-format
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "setup: all packages present"
    exit 0
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
echo "setup: installing$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
