# Shared set-up for scripts/run, scripts/test and scripts/bench: installs the
# Debian packages the diary needs when they are missing, then configures and
# builds it. Sourced, not run; leaves the build folder in $build.
# Before sourcing, a script may name the packages it needs beyond building
# and running the diary in extra_packages, those it takes only where Debian
# has them in optional_packages, and the targets it builds in targets (all
# of them by default).

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${OJW_BUILD_DIR:-$root/build}"

# Fonts: Liberation Sans stands in for Arial with its metrics, URW's Z003
# for the splash window's script face. chmlib reads the help file, chmcmd
# (fp-utils) compiles it. Qt's translations give the standard dialogs the
# user's language; its Wayland platform starts the diary where there is no
# X display. desktop-file-utils updates the application menu. Enchant
# checks spelling with the desktop's dictionaries (pkgconf finds it for the
# build); Hunspell's American English dictionary is always there.
packages=(cmake ninja-build g++ qt6-base-dev qt6-translations-l10n qt6-wayland fonts-liberation
          fonts-urw-base35 libchm-dev fp-utils desktop-file-utils pkgconf libenchant-2-dev hunspell-en-us
          ${extra_packages[@]+"${extra_packages[@]}"})

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}
missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
for p in ${optional_packages[@]+"${optional_packages[@]}"}; do
    if ! installed "$p" && apt-cache show "$p" >/dev/null 2>&1; then
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
cmake --build "$build" -j"$(nproc)" ${targets[@]+--target "${targets[@]}"}
