#!/usr/bin/env bash
# The release: builds the Windows programs in Release (no tests) and writes
# dist/Zeldrium-<version>.zip: the stripped Zeldrium.dll, the guides in Japanese and English, the
# licence, the change log and tools/zeldrium-find.exe. The same tree gives the same bytes.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/env.sh"
ROOT=$ZELDRIUM_ROOT
"$HERE/setup.sh" win >/dev/null
BUILD=$ROOT/build/dist
mkdir -p "$BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELDRIUM_BUILD_TESTS=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" >"$BUILD/build.log" 2>&1 &&
  cmake --build "$BUILD" -j "$(nproc)" --target Zeldrium zeldrium-find >>"$BUILD/build.log" 2>&1 ||
  { tail -30 "$BUILD/build.log"; echo "dist: the build failed (log: ${BUILD#$ROOT/}/build.log)" >&2; exit 1; }
version=$(sed -n 's/^#define ZELDRIUM_VERSION "\(.*\)"$/\1/p' "$BUILD/generated/zeldrium_version.h")
zip=$ROOT/dist/Zeldrium-$version.zip
python3 "$ROOT/release/make_zip.py" --version "$version" --root "$ROOT" --out "$zip" \
  --dll "$BUILD/bin/Zeldrium.dll" --find "$BUILD/tools/find/zeldrium-find.exe"
echo "$zip $(stat -c %s "$zip") bytes"
