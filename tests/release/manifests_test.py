#!/usr/bin/env python3
"""The package managers' manifests in dist/ against their published schemas, their hashes
against the files, and SHA256SUMS against every file it lists.
Usage: manifests_test.py DIST_DIR VERSION SCHEMAS_DIR
Exits 77 (skipped) without the packages, the schemas or the validator."""
import hashlib
import json
import pathlib
import re
import sys

try:
    import jsonschema
    import yaml
except ImportError:
    print("no jsonschema or yaml module for Python: scripts/setup.sh installs them")
    sys.exit(77)

dist, version, schemas = pathlib.Path(sys.argv[1]), sys.argv[2], pathlib.Path(sys.argv[3])
if not (dist / "SHA256SUMS").is_file() or not schemas.is_dir():
    print(f"no {dist}/SHA256SUMS (bash scripts/package.sh makes it) or no schemas in {schemas}")
    sys.exit(77)

failures = []


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def validate(document, schema_file, name):
    schema = json.loads((schemas / schema_file).read_text())
    for error in jsonschema.Draft7Validator(schema).iter_errors(document):
        failures.append(f"{name}: {error.json_path}: {error.message}")


listed = {}
for line in (dist / "SHA256SUMS").read_text().splitlines():
    digest, name = line.split("  ", 1)
    listed[name] = digest
    if not (dist / name).is_file() or sha256(dist / name) != digest:
        failures.append(f"SHA256SUMS: {name} is missing or has another hash")

winget = f"winget/manifests/j/JonasFerren/Memvale/{version}/JonasFerren.Memvale"
manifests = {
    f"{winget}.yaml": "winget-1.10.0/manifest.version.1.10.0.json",
    f"{winget}.locale.en-US.yaml": "winget-1.10.0/manifest.defaultLocale.1.10.0.json",
    f"{winget}.installer.yaml": "winget-1.10.0/manifest.installer.1.10.0.json",
    "memvale.json": "scoop/schema.json",
}
packages = [f"memvale-{version}-setup.exe", f"memvale-{version}-win64.zip", f"memvale-{version}-win32.zip"]
missing = set(manifests) | set(packages)
if set(listed) != missing:
    failures.append(f"SHA256SUMS lists {sorted(listed)}, not {sorted(missing)}")

documents = {}
for name, schema_file in manifests.items():
    path = dist / name
    if not path.is_file():
        failures.append(f"no {name}")
        continue
    documents[name] = yaml.safe_load(path.read_text()) if name.endswith(".yaml") else json.loads(path.read_text())
    validate(documents[name], schema_file, name)

installer = documents.get(f"{winget}.installer.yaml", {})
setup_hash = sha256(dist / packages[0]).upper() if (dist / packages[0]).is_file() else None
entries = {entry.get("Architecture"): entry for entry in installer.get("Installers", [])}
if sorted(entries) != ["x64", "x86"]:
    failures.append(f"winget installers for {sorted(entries)}, not x64 and x86")
for entry in entries.values():
    if entry.get("InstallerSha256") != setup_hash or not entry.get("InstallerUrl", "").endswith(packages[0]):
        failures.append(f"winget {entry.get('Architecture')}: not the setup's address or hash")
# winget finds the installed program by its uninstall key's name.
uninstall_key = re.search(r'!define UNINSTALL_KEY ".*\\(\w+)"', (dist.parent / "installer/memvale.nsi").read_text())
if installer.get("ProductCode") != uninstall_key.group(1):
    failures.append(f"winget ProductCode {installer.get('ProductCode')!r} is not the uninstall key's name")

scoop = documents.get("memvale.json", {})
for arch, zip_name in (("64bit", packages[1]), ("32bit", packages[2])):
    entry = scoop.get("architecture", {}).get(arch, {})
    if entry.get("hash") != listed.get(zip_name) or not entry.get("url", "").endswith(zip_name):
        failures.append(f"scoop {arch}: not {zip_name}'s address or hash")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
