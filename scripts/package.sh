#!/usr/bin/env bash
# Builds both programs and makes the release packages in dist/:
#   memvale-VERSION-win64.zip, memvale-VERSION-win32.zip  portable: memvale.exe, README.txt, LICENSE.txt
#   memvale-VERSION-setup.exe                             the installer, from installer/memvale.nsi
#   winget/manifests/j/JonasFerren/Memvale/VERSION/       the winget manifests (version, locale, installer)
#   memvale.json                                          the Scoop manifest
#   SHA256SUMS                                            sha256sum's list of every file above
# VERSION is the one in CMakeLists.txt's project(). Installs what is missing first.
# Two runs on one commit give the same bytes wherever and whenever they run: every time stored
# is SOURCE_DATE_EPOCH, by default the commit's date.
# MEMVALE_DOWNLOAD_URL is the address the manifests download the release's files from, by
# default the web address in res/resource.h followed by /memvale/releases/VERSION.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

version=$(sed -n 's/^project(Memvale VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "package.sh: no x.y.z version in CMakeLists.txt's project()" >&2; exit 1; }
homepage=$(sed -n 's/^#define MEMVALE_WEB_ADDRESS *"\(.*\)"/\1/p' res/resource.h)
download_url=${MEMVALE_DOWNLOAD_URL:-$homepage/memvale/releases/$version}
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
# zip stores local times.
export TZ=UTC

# A build folder configured already keeps its choices (scripts/test.sh leaves the 32-bit suites
# out where they cannot run).
for preset in win32 win64; do
  [[ -f build/$preset/CMakeCache.txt ]] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" --target memvale
done

mkdir -p dist build
stage=$(mktemp -d build/package.XXXXXX)
trap 'rm -rf "$stage"' EXIT
# Text files in Windows line endings, for every editor that opens them there.
sed 's/\r*$/\r/' docs/README.txt >"$stage/README.txt"
sed 's/\r*$/\r/' LICENSE >"$stage/LICENSE.txt"
for arch in win32 win64; do
  mkdir "$stage/$arch"
  cp "build/$arch/memvale.exe" "$stage/$arch/memvale.exe"
done
# Archive entries carry the commit's time and the same permissions on every machine.
find "$stage" -type f -exec chmod 644 {} + -exec touch -d "@$SOURCE_DATE_EPOCH" {} +

made=()
for arch in win32 win64; do
  zip_file=memvale-$version-$arch.zip
  rm -f "dist/$zip_file"
  zip -q -X -j "dist/$zip_file" "$stage/$arch/memvale.exe" "$stage/README.txt" "$stage/LICENSE.txt"
  made+=("$zip_file")
done

setup=memvale-$version-setup.exe
makensis -V2 -DVERSION="$version" -DWIN32_EXE="$PWD/$stage/win32/memvale.exe" \
  -DWIN64_EXE="$PWD/$stage/win64/memvale.exe" -DDOCS="$PWD/$stage" -DICON="$PWD/res/app.ico" \
  -DOUTFILE="$PWD/dist/$setup" -DFACTS="$PWD/build/win64/memvale_facts.nsh" \
  -DTEXTS="$PWD/build/win64/memvale_installer.nsh" installer/memvale.nsi
made+=("$setup")

sha256() {
  sha256sum "dist/$1" | cut -d' ' -f1
}

# winget: one installer for both processors, which puts the right program in place.
package_id=JonasFerren.Memvale
winget_dir=winget/manifests/j/JonasFerren/Memvale/$version
rm -rf "dist/$winget_dir"
mkdir -p "dist/$winget_dir"
setup_hash=$(sha256 "$setup" | tr a-f A-F)
cat >"dist/$winget_dir/$package_id.yaml" <<EOF
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.version.1.10.0.schema.json
PackageIdentifier: $package_id
PackageVersion: "$version"
DefaultLocale: en-US
ManifestType: version
ManifestVersion: 1.10.0
EOF
cat >"dist/$winget_dir/$package_id.locale.en-US.yaml" <<EOF
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.defaultLocale.1.10.0.schema.json
PackageIdentifier: $package_id
PackageVersion: "$version"
PackageLocale: en-US
Publisher: Jonas Ferren
PublisherUrl: $homepage
PackageName: Memvale
PackageUrl: $homepage
License: MIT
ShortDescription: Keeps physical memory free from the notification area.
Description: >-
  A small tray program that frees physical memory on request, from the command line or by
  itself when free memory runs low.
Tags:
  - memory
  - tray
ManifestType: defaultLocale
ManifestVersion: 1.10.0
EOF
cat >"dist/$winget_dir/$package_id.installer.yaml" <<EOF
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.installer.1.10.0.schema.json
PackageIdentifier: $package_id
PackageVersion: "$version"
InstallerType: nullsoft
Scope: user
UpgradeBehavior: install
ProductCode: Memvale
Installers:
  - Architecture: x86
    InstallerUrl: $download_url/$setup
    InstallerSha256: $setup_hash
  - Architecture: x64
    InstallerUrl: $download_url/$setup
    InstallerSha256: $setup_hash
ManifestType: installer
ManifestVersion: 1.10.0
EOF
made+=("$winget_dir/$package_id.yaml" "$winget_dir/$package_id.locale.en-US.yaml"
  "$winget_dir/$package_id.installer.yaml")

# Scoop: the portable zips. The settings live in the registry, so nothing is persisted.
cat >dist/memvale.json <<EOF
{
    "version": "$version",
    "description": "Keeps physical memory free from the notification area.",
    "homepage": "$homepage",
    "license": "MIT",
    "architecture": {
        "64bit": {
            "url": "$download_url/memvale-$version-win64.zip",
            "hash": "$(sha256 "memvale-$version-win64.zip")"
        },
        "32bit": {
            "url": "$download_url/memvale-$version-win32.zip",
            "hash": "$(sha256 "memvale-$version-win32.zip")"
        }
    },
    "bin": "memvale.exe",
    "shortcuts": [["memvale.exe", "Memvale"]]
}
EOF
made+=(memvale.json)

(cd dist && sha256sum "${made[@]}" >SHA256SUMS)
(cd dist && ls -l "${made[@]}" SHA256SUMS)
