#!/bin/sh
# Installs everything the build, the tests, the virtual unit and the tools need,
# from Debian 12 packages only. Run as root (or through sudo).
set -e
if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
    build-essential cmake pkg-config ninja-build \
    qtbase5-dev qtbase5-dev-tools libqt5svg5-dev \
    libusb-1.0-0-dev \
    umockdev libumockdev-dev libglib2.0-dev \
    usbutils \
    libbenchmark-dev \
    clang libclang-rt-14-dev \
    xvfb xauth \
    sox \
    fonts-liberation2 \
    python3 \
    dpkg-dev appstream desktop-file-utils man-db
