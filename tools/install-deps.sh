#!/usr/bin/env bash
# Installs everything Velbrook needs to build, test and render on Debian 12. Safe to run again:
# when every package is present it only checks and returns.
set -euo pipefail

apt_packages=(
    # toolchain
    cmake ninja-build g++ make pkg-config ccache mold
    # framework and plug-in formats
    juce-modules-source lv2-dev
    libasound2-dev libfreetype-dev libx11-dev libxext-dev libxrandr-dev libxinerama-dev libxcursor-dev
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev lilv-utils serdi
    # the editor window: the web-view helper and its tests under a virtual display
    libwebkit2gtk-4.1-dev libgtk-3-dev xvfb xauth imagemagick xdotool x11-utils jalv jackd2
    # the page's build and its browser tests
    nodejs chromium
)

missing=()
for package in "${apt_packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    if [[ $(id -u) -eq 0 ]]; then sudo=(); else sudo=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The page's build tools and the browser-test driver, exactly as the lock file pins them. Installed
# again only when the lock file changes.
webui="$(cd "$(dirname "$0")/../WebUI" && pwd)"
stamp="$webui/node_modules/.installed-lock"
if ! cmp -s "$webui/package-lock.json" "$stamp"; then
    echo "Installing the page's npm packages"
    (cd "$webui" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$webui/package-lock.json" "$stamp"
fi
