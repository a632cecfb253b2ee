#!/bin/sh
# Sets everything up, builds, and makes the Debian package build/mekuri_<version>_amd64.deb.
# Install it with:  sudo apt install ./build/mekuri_*.deb
set -e
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
./scripts/build.sh
cd build
rm -f mekuri_*.deb
cpack -G DEB >/dev/null
for deb in mekuri_*.deb; do
    echo "package: $PWD/$deb"
    dpkg-deb --field "$deb" Package Version Depends Recommends
done
