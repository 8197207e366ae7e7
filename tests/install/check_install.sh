#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds a small host program against it twice:
# once through pkg-config, once through CMake's find_package(Vemora). Both must build and run.
# Usage: check_install.sh BUILD_DIR HOST_SOURCE_DIR [EXTRA_CXXFLAGS]
set -euo pipefail
build=$1
host=$2
extra=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in include/vemora.h lib/libvmrkeru.so lib/Data/orvexconfig.xml \
         lib/cmake/Vemora/VemoraConfig.cmake lib/pkgconfig/vemora.pc; do
    [ -e "$prefix/$f" ] || { echo "missing from the install: $f" >&2; exit 1; }
done

# The installed tool finds the configuration document installed beside the library.
"$prefix/bin/vemora" tools | grep -q '^SPV	' || { echo "vemora tools: no SPV tool in the install" >&2; exit 1; }

# pkg-config
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046,SC2086
g++ $extra "$host/main.cpp" -o "$work/host_pc" $(pkg-config --cflags --libs vemora)
"$work/host_pc"

# find_package
cmake -S "$host" -B "$work/host_build" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_CXX_FLAGS="$extra" >/dev/null
cmake --build "$work/host_build" >/dev/null
"$work/host_build/host"
echo "install layout and both host builds: ok"
