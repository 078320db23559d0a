# Shared set-up for scripts/run and scripts/test: installs the Debian packages
# the diary needs when they are missing, then configures and builds it.
# Sourced, not run; leaves the build folder in $build.

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${OJW_BUILD_DIR:-$root/build}"

# Fonts: Liberation Sans stands in for Arial with its metrics, URW's Z003
# for the splash window's script face. chmlib reads the help file, chmcmd
# (fp-utils) compiles it. clang with its runtime builds the fuzz targets.
packages=(cmake ninja-build g++ qt6-base-dev libgtest-dev fonts-liberation fonts-urw-base35
          libchm-dev fp-utils clang libclang-rt-dev desktop-file-utils)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "These packages are missing: ${missing[*]}" >&2
        echo "Install them with:" >&2
        echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing ${missing[*]} ..."
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -G Ninja
cmake --build "$build"
