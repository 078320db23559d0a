# The sanitizer build, shared by scripts/test and scripts/fuzz: one clang
# build with AddressSanitizer and UndefinedBehaviorSanitizer in which the
# tests run and the fuzz targets are made, its libraries carrying
# libFuzzer's coverage. Sourced, not run, with $root set; configures the
# build and leaves its folder in $sanitize_build.

sanitize_build="${OJW_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
if ! command -v clang++ >/dev/null; then
    echo "clang++ is missing: run scripts/test once, or install clang and libclang-rt-dev" >&2
    exit 1
fi
# -O1 keeps the instrumented tests quick without hiding what they look for.
# This build compiles its sources in batches (a unity build), in a third of
# the time; the ordinary build compiles each file on its own, which keeps
# every file's includes honest.
cmake -S "$root" -B "$sanitize_build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
      -DOJW_SANITIZE=ON -DOJW_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g" \
      -DCMAKE_UNITY_BUILD=ON >/dev/null
