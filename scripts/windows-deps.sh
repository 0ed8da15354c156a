#!/usr/bin/env bash
# Builds the libraries Debian has no MinGW-w64 package of (pugixml, libzip, expat) statically for
# 64-bit Windows from Debian's own source packages, into DIR/deps/prefix: windows-deps.sh DIR.
# The sources come through apt-get with a source list and apt state of their own under
# DIR/deps/apt (the system's apt settings are left alone), pinned by version: apt checks each
# file against the signed index, and a pinned version that Debian no longer serves stops the
# build with its name rather than building another. Each library is built once; its stamp in the
# prefix names the version, so a second run (or a new pin) rebuilds only what changed.
# The header-only libraries (CLI11, nlohmann-json) are Debian's own, seen through a folder of
# links that holds only them: Linux's /usr/include must not be on a Windows build's path.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
deps=$PWD/$dir/deps
prefix=$deps/prefix
mkdir -p "$deps/apt/lists/partial" "$deps/apt/cache/archives/partial" "$deps/src" "$prefix/include"

# Package, Debian version, and the CMake options of its static build (zlib only for libzip:
# no bzip2, lzma or encryption, which no ROM set uses; expat without parameter entities and
# external DTDs, which no DAT uses and which Debian's security patches expect from its own
# configure, not from upstream's CMake).
pins=(
  "pugixml 1.13-0.2 -DPUGIXML_BUILD_TESTS=OFF"
  "libzip 1.7.3-1 -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF"
  "expat 2.5.0-1+deb12u2 -DEXPAT_DTD=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_SHARED_LIBS=OFF"
)
# expat is built only once the DAT module reads XML through it.
wanted() { [ "$1" != expat ] || grep -qi expat src/dat/CMakeLists.txt; }

apt_options=(-o Dir::Etc::SourceList="$deps/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
  -o Dir::State::Lists="$deps/apt/lists" -o Dir::Cache="$deps/apt/cache" -o Dir::State::status=/dev/null
  -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)")
echo "deb-src http://deb.debian.org/debian bookworm main" >"$deps/apt/sources.list"
echo "deb-src http://deb.debian.org/debian-security bookworm-security main" >>"$deps/apt/sources.list"
updated=no

for pin in "${pins[@]}"; do
  read -r package version options <<<"$pin"
  wanted "$package" || continue
  stamp="$prefix/.$package-$version"
  [ -f "$stamp" ] && continue
  upstream=${version%-*}
  upstream=${upstream#*:}
  source="$deps/src/$package-$upstream"
  if [ ! -f "$source/.unpacked-$version" ]; then
    dsc=$(ls "$deps/src/${package}_${version#*:}.dsc" 2>/dev/null || true)
    if [ -z "$dsc" ]; then
      if [ $updated = no ]; then
        apt-get "${apt_options[@]}" -qq update
        updated=yes
      fi
      (cd "$deps/src" && apt-get "${apt_options[@]}" -qq --download-only source "$package=$version") || {
        echo "windows-deps: Debian no longer serves $package $version; pin the version it has" \
          "(apt-cache showsrc $package) in scripts/windows-deps.sh" >&2
        exit 1
      }
      dsc="$deps/src/${package}_${version#*:}.dsc"
    fi
    rm -rf "$source"
    # apt has checked every file against the signed index; the .dsc's own signature is not
    # checked again (no Debian keyring is needed here).
    dpkg-source --no-check -x "$dsc" "$source" >/dev/null
    touch "$source/.unpacked-$version"
  fi
  echo "windows-deps: building $package $version"
  rm -rf "$deps/build/$package"
  # expat's upstream tree keeps the library, with its CMakeLists.txt, in a folder of its name.
  tree=$source
  [ -f "$tree/CMakeLists.txt" ] || tree=$source/$package
  # shellcheck disable=SC2086  # the options are words
  cmake -S "$tree" -B "$deps/build/$package" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_C_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-}" $options >"$deps/build-$package.log" 2>&1 &&
    cmake --build "$deps/build/$package" -j"$(nproc)" >>"$deps/build-$package.log" 2>&1 &&
    cmake --install "$deps/build/$package" >>"$deps/build-$package.log" 2>&1 ||
    { tail -n 30 "$deps/build-$package.log" >&2; exit 1; }
  touch "$stamp"
done

for header in CLI nlohmann; do
  [ -e "$prefix/include/$header" ] || ln -s "/usr/include/$header" "$prefix/include/$header"
done
