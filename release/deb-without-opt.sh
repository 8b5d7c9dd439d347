#!/bin/sh
# Rewrites a .deb without the entry of /opt itself in its data, keeping
# everything below it: deb-without-opt.sh PACKAGE.deb (gzip-compressed).
set -e
deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
ar x "$deb"
mkdir data
tar -xzf data.tar.gz -C data
(cd data && find . -mindepth 1 ! -path ./opt | LC_ALL=C sort) |
  tar --no-recursion --owner=0 --group=0 --numeric-owner -czf data.tar.gz -C data -T -
ar rc new.deb debian-binary control.tar.gz data.tar.gz
mv new.deb "$deb"
