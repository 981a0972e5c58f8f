# Sourced: build_arch ARCH BUILDDIR [TARGET...] configures and builds one architecture
# (x86_64 or i686) of Spruce in BUILDDIR: the targets named, or everything.
build_arch() {
  arch=$1; dir=$2; shift 2
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" >/dev/null
  targets=""
  for target in "$@"; do targets="$targets --target $target"; done
  cmake --build "$dir" -j "$(nproc)" $targets
}
