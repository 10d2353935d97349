#!/usr/bin/env bash
# One entry point for people and CI:
#   ./build.sh run    install what is missing, build, start letterbay
#   ./build.sh test   install what is missing, build, run every test (also under sanitizers)
#   ./build.sh package  install what is missing, build a release, write the Debian package
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libsqlcipher-dev libfontconfig-dev
          libfreetype-dev libgtest-dev fontconfig libcups2-dev
          # The fonts a document uses: PDF, and zip packages (OpenDocument, Office Open XML).
          libpoppler-cpp-dev libzip-dev
          # Printing tests: reading PDFs back, and a private print server with a PDF queue.
          poppler-utils cups printer-driver-cups-pdf
          # Checking the desktop entries, and the Debian package's dependencies.
          desktop-file-utils dpkg-dev file
          # Command-line tests: the sqlcipher shell with the collation, the manual page checked.
          sqlcipher groff-base
          # Running GTK programs follow an activation: GNOME's settings daemon and a GTK 3
          # program on a private X server and session bus.
          xvfb xauth dbus gnome-settings-daemon python3-gi gir1.2-gtk-3.0
          # The translation tools: the texts' template and compiled translations.
          qt6-l10n-tools qt6-tools-dev)

# Only the package step: checking the Debian package as a distribution would.
PACKAGE_TOOLS=(lintian)

install_missing() { # extra packages...
    local missing=()
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() { # dir, extra cmake args...
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S . -B "$dir" -G Ninja "$@"
    fi
    cmake --build "$dir" -j "$(nproc)"
}

case "${1:-}" in
run)
    install_missing
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    exec build/bin/letterbay
    ;;
test)
    install_missing
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    configure_and_build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DLETTERBAY_SANITIZE=ON -DLETTERBAY_BENCH=OFF
    UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
    ;;
package)
    install_missing "${PACKAGE_TOOLS[@]}"
    # Debian's hardening flags, all of them (fortified functions, stack protector, read-only
    # relocations bound at start, position-independent executables), given at every configure so
    # a build tree of an earlier run gets them too.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
    ldflags=$(dpkg-buildflags --get LDFLAGS)
    cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DLETTERBAY_TESTS=OFF -DLETTERBAY_BENCH=OFF -DCMAKE_CXX_FLAGS="$cxxflags" \
        -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
        -DCMAKE_MODULE_LINKER_FLAGS="$ldflags"
    cmake --build build-package -j "$(nproc)"
    rm -f build-package/letterbay_*.deb
    (cd build-package && cpack -G DEB)
    # Errors fail the step; warnings are shown.
    lintian --fail-on error build-package/letterbay_*.deb
    ls build-package/letterbay_*.deb
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
