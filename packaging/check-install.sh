#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks that everything a desktop needs landed:
# the programs, the desktop entry with its metadata and icons, the help, the manual pages and
# the copyright and changelog; and that no installed file names the folders it was built from.
# With --deb, checks the Debian package the same way (run cpack first). Exits non-zero on the
# first list of problems.
#
#   packaging/check-install.sh [--deb] [BUILD_DIR]     (BUILD_DIR defaults to build/package)
#
# The default build directory is configured with the packaging preset when it is not yet.
set -euo pipefail
cd "$(dirname "$0")/.."

check_deb=0
if [ "${1:-}" = "--deb" ]; then
    check_deb=1
    shift
fi
build=${1:-build/package}
id=example.quillmoor.Zelmorin

if [ ! -f "$build/CMakeCache.txt" ]; then
    if [ "$build" != build/package ]; then
        echo "check-install: $build is not configured" >&2
        exit 1
    fi
    cmake --preset package >/dev/null
fi
cmake --build "$build" >/dev/null

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
    bin/zelmorin-report
    share/applications/$id.desktop
    share/metainfo/$id.metainfo.xml
    share/icons/hicolor/16x16/apps/zelmorin.png
    share/icons/hicolor/32x32/apps/zelmorin.png
    share/icons/hicolor/48x48/apps/zelmorin.png
    share/icons/hicolor/64x64/apps/zelmorin.png
    share/icons/hicolor/scalable/apps/zelmorin.svg
    share/zelmorin/help/index.html
    share/zelmorin/help/help.css
    share/zelmorin/icons/133.png
    share/zelmorin/icons/134.png
    share/zelmorin/translations/zelmorin_it.qm
    share/man/man1/zelmorin.1.gz
    share/man/man1/zelmorin-report.1.gz
    share/bash-completion/completions/zelmorin-report
    share/doc/zelmorin/copyright
    share/doc/zelmorin/changelog.Debian.gz
)
# The window program is checked once the build makes it.
if [ -n "$(find "$build" -path '*/src/monitor/zelmorin' -type f 2>/dev/null)" ]; then
    expected+=(bin/zelmorin)
fi

problems=()
for f in "${expected[@]}"; do
    [ -f "$prefix/$f" ] || problems+=("missing: $f")
done
for f in bin/zelmorin-report bin/zelmorin; do
    if [ -f "$prefix/$f" ] && [ ! -x "$prefix/$f" ]; then
        problems+=("not executable: $f")
    fi
done

# Each hicolor PNG must be a PNG of the size its folder names.
for size in 16 32 48 64; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/zelmorin.png"
    [ -f "$png" ] || continue
    signature=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
    width=$(od -An -tu1 -j16 -N4 "$png" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }')
    height=$(od -An -tu1 -j20 -N4 "$png" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }')
    if [ "$signature" != "89504e470d0a1a0a" ] || [ "$width" != "$size" ] || [ "$height" != "$size" ]; then
        problems+=("not a ${size}x${size} PNG: share/icons/hicolor/${size}x${size}/apps/zelmorin.png")
    fi
done

# The desktop entry must name what is installed.
desktop="$prefix/share/applications/$id.desktop"
if [ -f "$desktop" ]; then
    grep -qx 'Exec=zelmorin' "$desktop" || problems+=("$id.desktop: Exec is not zelmorin")
    grep -qx 'Icon=zelmorin' "$desktop" || problems+=("$id.desktop: Icon is not zelmorin")
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" >/dev/null 2>&1 || problems+=("$id.desktop: $(desktop-file-validate "$desktop" 2>&1 | head -1)")
    fi
fi

# Every page and picture the installed help refers to is installed too.
for page in "$prefix"/share/zelmorin/help/*.html; do
    [ -f "$page" ] || continue
    for target in $(grep -o '\(href\|src\)="[^"#]*' "$page" | sed 's/^[a-z]*="//' | sort -u); do
        [ -e "$(dirname "$page")/$target" ] || problems+=("$(basename "$page"): $target is not installed")
    done
done

# A path of the source or build folder in an installed file would point at this machine.
for folder in "$PWD" "$(cd "$build" && pwd)"; do
    for found in $(grep -rlF -- "$folder" "$prefix" 2>/dev/null); do
        problems+=("${found#"$prefix"/} names $folder")
    done
done

# The reporter runs from where it was installed.
if [ -x "$prefix/bin/zelmorin-report" ]; then
    "$prefix/bin/zelmorin-report" --help >/dev/null 2>&1 || problems+=("bin/zelmorin-report --help fails")
fi

if [ "$check_deb" = 1 ]; then
    deb=$(ls "$build"/zelmorin_*.deb 2>/dev/null | head -1)
    if [ -z "$deb" ]; then
        problems+=("no zelmorin_*.deb in $build (run: cd $build && cpack -G DEB)")
    else
        listing=$(dpkg-deb -c "$deb" | awk '{ print $NF }')
        for f in "${expected[@]}"; do
            grep -qx "./usr/$f" <<<"$listing" || problems+=("$(basename "$deb"): missing /usr/$f")
        done
        [ "$(dpkg-deb -f "$deb" Package)" = zelmorin ] || problems+=("$(basename "$deb"): package is not zelmorin")
        [ "$(dpkg-deb -f "$deb" Section)" = net ] || problems+=("$(basename "$deb"): section is not net")
        dpkg-deb -f "$deb" Depends | grep -q 'libqt6core6' ||
            problems+=("$(basename "$deb"): Depends lacks the Qt libraries (shlibdeps)")
    fi
fi

if [ ${#problems[@]} -ne 0 ]; then
    printf 'check-install: %s\n' "${problems[@]}" >&2
    exit 1
fi
echo "check-install: ${#expected[@]} files in place${deb:+, and in $(basename "$deb")}"
