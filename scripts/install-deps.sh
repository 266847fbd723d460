#!/usr/bin/env bash
# Installs every package that building, running and testing ozmi needs: Debian 12 packages on
# Linux, Homebrew formulae on macOS (where Apple's clang and Swift compilers, the frameworks and
# SQLite come with the system and the Xcode Command Line Tools; the universal macos-release build
# needs Xcode itself, for its build system).
# This is the one package list of the project; add to it here and nowhere else.
set -euo pipefail

if [[ $(uname -s) == Darwin ]]; then
  formulae=(
    cmake ninja
    # tests and benchmarks
    googletest nlohmann-json google-benchmark
  )
  missing=()
  for f in "${formulae[@]}"; do
    brew list --formula "$f" > /dev/null 2>&1 || missing+=("$f")
  done
  if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    brew install --quiet "${missing[@]}"
  fi
  exit 0
fi

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest nlohmann-json3-dev libbenchmark-dev hyperfine
  # panel probe: Unicode lower-casing and character counts (linked statically)
  libutf8proc-dev
  # permission databases
  libsqlite3-dev sqlite3
  # device key: TPM 2.0 software stack, a software TPM for tests, OpenSSL to check signatures
  libtss2-dev swtpm swtpm-tools tpm2-tools libssl-dev openssl
  # desktop: X11, the accessibility bus, and a headless desktop for tests
  libxcb1-dev libxau-dev x11proto-dev libx11-dev libatspi2.0-dev at-spi2-core xvfb xauth dbus dbus-x11 openbox
  python3-gi gir1.2-gtk-3.0
  # unshare, for tests that place databases at their fixed paths
  util-linux
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
