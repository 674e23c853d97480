#!/bin/sh
# Installs the library into a temporary prefix and builds a program against
# it twice: through the CMake package and through pkg-config; the installed
# programs must start from the prefix without any library path set.
set -eu
build_dir=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
libdir=$(find "$work/prefix" -name libvelmora.so -printf '%h\n' | head -n 1)

cmake -S "$source_dir/tests/package/consumer" -B "$work/cmake" -G Ninja \
    -DCMAKE_PREFIX_PATH="$work/prefix" >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/cmake" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
LD_LIBRARY_PATH="$libdir" "$work/cmake/consumer"

PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --exists velmora
# shellcheck disable=SC2046
g++ -o "$work/consumer-pc" "$source_dir/tests/package/consumer/consumer.cpp" \
    $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --define-variable=prefix="$work/prefix" --cflags --libs velmora) 2>"$work/pc.log" || { cat "$work/pc.log"; exit 1; }
LD_LIBRARY_PATH="$libdir" "$work/consumer-pc"

env -u LD_LIBRARY_PATH "$work/prefix/bin/parcelo-cli" --help >"$work/cli.log" 2>&1 || { cat "$work/cli.log"; exit 1; }
if env -u LD_LIBRARY_PATH ldd "$work/prefix/bin/parcelo" | grep "not found"; then exit 1; fi
