#!/usr/bin/env python3
"""Checks a multi-file winget manifest (one version's folder) against the
rules of winget's manifest schemas, version 1.10.0: required fields, types,
patterns, enumerations, lengths and item counts, written down here as rules
of our own. Beyond the schemas it also requires what winget's own validation
asks of a multi-file manifest: exactly one version, one installer and one
defaultLocale manifest, named after the identifier, agreeing on identifier,
version and default locale, and no field the schemas do not know.

    scripts/check-winget.py FOLDER [--packages BUILD]

With --packages, each InstallerSha256 must be the SHA-256 of the file of the
InstallerUrl's name in BUILD. Prints one line per problem; exit code 1 when
there is one.
"""
import datetime
import hashlib
import os
import re
import sys

import yaml

MANIFEST_VERSION = "1.10.0"
_U16 = r"(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])"
_NAME_PART = r'[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}'
P_IDENTIFIER = rf"^{_NAME_PART}(\.{_NAME_PART}){{1,7}}$"
P_VERSION = r'^[^\\/:\*\?"<>\|\x01-\x1f]+$'
P_LOCALE = r"^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$"
P_MANIFEST_VERSION = rf"^{_U16}(\.{_U16}){{2}}$"
P_OS_VERSION = rf"^{_U16}(\.{_U16}){{0,3}}$"
P_URL = r"^([Hh][Tt][Tt][Pp][Ss]?)://.+$"
P_SHA256 = r"^[A-Fa-f0-9]{64}$"
P_FAMILY = r"^[A-Za-z0-9][-\.A-Za-z0-9]+_[A-Za-z0-9]{13}$"


def S(min_len=None, max_len=None, pattern=None, enum=None, const=None, null=True, date=False):
    return {"type": "string", "min": min_len, "max": max_len, "pattern": pattern, "enum": enum, "const": const,
            "null": null, "date": date}


def A(items, max_items=None, min_items=None, unique=True, null=True):
    return {"type": "array", "items": items, "maxItems": max_items, "minItems": min_items, "unique": unique,
            "null": null}


def O(props, required=(), null=False, one_of=None):
    return {"type": "object", "props": props, "required": list(required), "null": null, "one_of": one_of}


B = {"type": "boolean", "null": True}
RETURN_CODE = {"type": "integer", "min": -2147483648, "max": 4294967295, "not": [0], "null": False}

URL = S(max_len=2048, pattern=P_URL)
IDENTIFIER = S(max_len=128, pattern=P_IDENTIFIER, null=False)
VERSION = S(max_len=128, pattern=P_VERSION, null=False)
LOCALE = S(max_len=20, pattern=P_LOCALE)
INSTALLER_TYPES = ["msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa", "portable",
                   "advinstExe", "advinstMsi"]
PRODUCT_CODE = S(min_len=1, max_len=255)
SWITCH = S(min_len=1, max_len=512)
SHORT_LIST = A(S(min_len=1, max_len=128, null=False), max_items=16)
MARKETS = A(S(pattern=r"^[A-Z]{2}$", null=False), max_items=256)

# Fields an installer may carry at the root of the installer manifest and in
# each entry of Installers alike.
INSTALLER_FIELDS = {
    "InstallerLocale": LOCALE,
    "Platform": A(S(enum=["Windows.Desktop", "Windows.Universal"], null=False), max_items=2),
    "MinimumOSVersion": S(pattern=P_OS_VERSION),
    "InstallerType": S(enum=INSTALLER_TYPES),
    "NestedInstallerType": S(enum=[t for t in INSTALLER_TYPES if t not in ("zip", "pwa")]),
    "NestedInstallerFiles": A(O({"RelativeFilePath": S(min_len=1, max_len=512, null=False),
                                 "PortableCommandAlias": S(min_len=1, max_len=40)}, ["RelativeFilePath"]),
                              max_items=1024, unique=False),
    "Scope": S(enum=["user", "machine"]),
    "InstallModes": A(S(enum=["interactive", "silent", "silentWithProgress"], null=False), max_items=3),
    "InstallerSwitches": O({"Silent": SWITCH, "SilentWithProgress": SWITCH, "Interactive": SWITCH,
                            "InstallLocation": SWITCH, "Log": SWITCH, "Upgrade": SWITCH,
                            "Custom": S(min_len=1, max_len=2048), "Repair": SWITCH}),
    "InstallerSuccessCodes": A(RETURN_CODE, max_items=16),
    "ExpectedReturnCodes": A(O({"InstallerReturnCode": RETURN_CODE,
                                "ReturnResponse": S(enum=[
                                    "packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse",
                                    "missingDependency", "diskFull", "insufficientMemory", "invalidParameter",
                                    "noNetwork", "contactSupport", "rebootRequiredToFinish",
                                    "rebootRequiredForInstall", "rebootInitiated", "cancelledByUser",
                                    "alreadyInstalled", "downgrade", "blockedByPolicy", "systemNotSupported",
                                    "custom"], null=False),
                                "ReturnResponseUrl": URL}, ["InstallerReturnCode", "ReturnResponse"]),
                             max_items=128, unique=False),
    "UpgradeBehavior": S(enum=["install", "uninstallPrevious", "deny"]),
    "Commands": A(S(min_len=1, max_len=40, null=False), max_items=16),
    "Protocols": A(S(max_len=2048, null=False), max_items=64),
    "FileExtensions": A(S(max_len=64, pattern=P_VERSION, null=False), max_items=512),
    "Dependencies": O({"WindowsFeatures": SHORT_LIST, "WindowsLibraries": SHORT_LIST,
                       "PackageDependencies": A(O({"PackageIdentifier": IDENTIFIER, "MinimumVersion": VERSION},
                                                  ["PackageIdentifier"]), max_items=16),
                       "ExternalDependencies": SHORT_LIST}, null=True),
    "PackageFamilyName": S(max_len=255, pattern=P_FAMILY),
    "ProductCode": PRODUCT_CODE,
    "Capabilities": A(S(min_len=1, max_len=40, null=False), max_items=1000),
    "RestrictedCapabilities": A(S(min_len=1, max_len=40, null=False), max_items=1000),
    "Markets": O({"AllowedMarkets": MARKETS, "ExcludedMarkets": MARKETS}, null=True,
                 one_of=[["AllowedMarkets"], ["ExcludedMarkets"]]),
    "InstallerAbortsTerminal": B,
    "ReleaseDate": S(date=True),
    "InstallLocationRequired": B,
    "RequireExplicitUpgrade": B,
    "DisplayInstallWarnings": B,
    "UnsupportedOSArchitectures": A(S(enum=["x86", "x64", "arm", "arm64"], null=False)),
    "UnsupportedArguments": A(S(enum=["log", "location"], null=False)),
    "AppsAndFeaturesEntries": A(O({"DisplayName": S(min_len=1, max_len=256), "Publisher": S(min_len=1, max_len=256),
                                   "DisplayVersion": S(min_len=1, max_len=128), "ProductCode": PRODUCT_CODE,
                                   "UpgradeCode": PRODUCT_CODE, "InstallerType": S(enum=INSTALLER_TYPES)}),
                                max_items=128),
    "ElevationRequirement": S(enum=["elevationRequired", "elevationProhibited", "elevatesSelf"]),
    "InstallationMetadata": O({"DefaultInstallLocation": S(min_len=1, max_len=2048),
                               "Files": A(O({"RelativeFilePath": S(min_len=1, max_len=2048, null=False),
                                             "FileSha256": S(pattern=P_SHA256),
                                             "FileType": S(enum=["launch", "uninstall", "other"]),
                                             "InvocationParameter": S(min_len=1, max_len=2048),
                                             "DisplayName": S(min_len=1, max_len=256)}, ["RelativeFilePath"]),
                                          max_items=2048)}),
    "DownloadCommandProhibited": B,
    "RepairBehavior": S(enum=["modify", "uninstaller", "installer"]),
    "ArchiveBinariesDependOnPath": B,
}

INSTALLER_ENTRY = O(dict(INSTALLER_FIELDS,
                         Architecture=S(enum=["x86", "x64", "arm", "arm64", "neutral"], null=False),
                         InstallerUrl=S(max_len=2048, pattern=P_URL, null=False),
                         InstallerSha256=S(pattern=P_SHA256, null=False),
                         SignatureSha256=S(pattern=P_SHA256)),
                    ["Architecture", "InstallerUrl", "InstallerSha256"])

COMMON = {"PackageIdentifier": IDENTIFIER, "PackageVersion": VERSION,
          "ManifestVersion": S(pattern=P_MANIFEST_VERSION, null=False)}

SCHEMAS = {
    "version": O(dict(COMMON, DefaultLocale=S(max_len=20, pattern=P_LOCALE, null=False),
                      ManifestType=S(const="version", null=False)),
                 ["PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"]),
    "installer": O(dict(COMMON, **INSTALLER_FIELDS, Channel=S(min_len=1, max_len=16),
                        Installers=A(INSTALLER_ENTRY, min_items=1, max_items=1024, unique=False, null=False),
                        ManifestType=S(const="installer", null=False)),
                   ["PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"]),
    "defaultLocale": O(dict(
        COMMON,
        PackageLocale=S(max_len=20, pattern=P_LOCALE, null=False),
        Publisher=S(min_len=2, max_len=256, null=False), PublisherUrl=URL, PublisherSupportUrl=URL, PrivacyUrl=URL,
        Author=S(min_len=2, max_len=256), PackageName=S(min_len=2, max_len=256, null=False), PackageUrl=URL,
        License=S(min_len=3, max_len=512, null=False), LicenseUrl=URL, Copyright=S(min_len=3, max_len=512),
        CopyrightUrl=URL, ShortDescription=S(min_len=3, max_len=256, null=False),
        Description=S(min_len=3, max_len=10000), Moniker=S(min_len=1, max_len=40),
        Tags=A(S(min_len=1, max_len=40), max_items=16),
        Agreements=A(O({"AgreementLabel": S(min_len=1, max_len=100), "Agreement": S(min_len=1, max_len=10000),
                        "AgreementUrl": URL}), max_items=128, unique=False),
        ReleaseNotes=S(min_len=1, max_len=10000), ReleaseNotesUrl=URL, PurchaseUrl=URL,
        InstallationNotes=S(min_len=1, max_len=10000),
        Documentations=A(O({"DocumentLabel": S(min_len=1, max_len=100), "DocumentUrl": URL}), max_items=256,
                         unique=False),
        Icons=A(O({"IconUrl": S(max_len=2048, pattern=P_URL, null=False),
                   "IconFileType": S(enum=["png", "jpeg", "ico"], null=False),
                   "IconResolution": S(enum=["custom", "16x16", "20x20", "24x24", "30x30", "32x32", "36x36", "40x40",
                                             "48x48", "60x60", "64x64", "72x72", "80x80", "96x96", "256x256"]),
                   "IconTheme": S(enum=["default", "light", "dark", "highContrast"]),
                   "IconSha256": S(pattern=P_SHA256)}, ["IconUrl", "IconFileType"]), max_items=1024, unique=False),
        ManifestType=S(const="defaultLocale", null=False)),
        ["PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName", "License",
         "ShortDescription", "ManifestType", "ManifestVersion"]),
}


def check(value, rule, where, problems):
    def bad(text):
        problems.append(f"{where}: {text}")

    if value is None:
        if not rule["null"]:
            bad("must not be empty")
        return
    kind = rule["type"]
    if kind == "string":
        if rule.get("date"):
            if isinstance(value, datetime.date):
                return
            try:
                datetime.date.fromisoformat(str(value))
            except ValueError:
                bad(f"{value!r} is not a date (YYYY-MM-DD)")
            return
        if not isinstance(value, str):
            bad(f"{value!r} is not a string")
            return
        if rule["min"] is not None and len(value) < rule["min"]:
            bad(f"{value!r} is shorter than {rule['min']}")
        if rule["max"] is not None and len(value) > rule["max"]:
            bad(f"is longer than {rule['max']} characters")
        if rule["pattern"] and not re.search(rule["pattern"], value):
            bad(f"{value!r} does not match {rule['pattern']}")
        if rule["enum"] and value not in rule["enum"]:
            bad(f"{value!r} is not one of {', '.join(rule['enum'])}")
        if rule["const"] and value != rule["const"]:
            bad(f"{value!r} must be {rule['const']!r}")
    elif kind == "integer":
        if not isinstance(value, int) or isinstance(value, bool):
            bad(f"{value!r} is not an integer")
        elif not rule["min"] <= value <= rule["max"] or value in rule["not"]:
            bad(f"{value} is out of range (or 0)")
    elif kind == "boolean":
        if not isinstance(value, bool):
            bad(f"{value!r} is not true or false")
    elif kind == "array":
        if not isinstance(value, list):
            bad("is not a list")
            return
        if rule["minItems"] is not None and len(value) < rule["minItems"]:
            bad(f"has fewer than {rule['minItems']} items")
        if rule["maxItems"] is not None and len(value) > rule["maxItems"]:
            bad(f"has more than {rule['maxItems']} items")
        if rule["unique"] and len({repr(v) for v in value}) != len(value):
            bad("has the same item twice")
        for i, item in enumerate(value):
            check(item, rule["items"], f"{where}[{i}]", problems)
    elif kind == "object":
        if not isinstance(value, dict):
            bad("is not a mapping")
            return
        for key in rule["required"]:
            if key not in value:
                bad(f"{key} is required")
        if rule["one_of"] and sum(all(k in value for k in keys) for keys in rule["one_of"]) != 1:
            bad(f"needs exactly one of {', '.join(k[0] for k in rule['one_of'])}")
        for key, item in value.items():
            if key not in rule["props"]:
                bad(f"{key} is not a field of this manifest")
            else:
                check(item, rule["props"][key], f"{where}.{key}" if where else key, problems)


def main():
    args = sys.argv[1:]
    packages = None
    if "--packages" in args:
        i = args.index("--packages")
        packages = args[i + 1]
        del args[i:i + 2]
    if len(args) != 1:
        sys.exit(__doc__)
    folder = args[0]
    problems = []
    manifests = {}
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".yaml"):
            continue
        try:
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                data = yaml.safe_load(f)
        except yaml.YAMLError as e:
            problems.append(f"{name}: not YAML: {e}")
            continue
        kind = data.get("ManifestType") if isinstance(data, dict) else None
        if kind not in SCHEMAS:
            problems.append(f"{name}: ManifestType {kind!r} is not version, installer or defaultLocale")
            continue
        if kind in manifests:
            problems.append(f"{name}: a second {kind} manifest")
            continue
        manifests[kind] = (name, data)
        found = []
        check(data, SCHEMAS[kind], "", found)
        problems.extend(f"{name}: {p.lstrip(': ')}" for p in found)
        if data.get("ManifestVersion") != MANIFEST_VERSION:
            problems.append(f"{name}: ManifestVersion {data.get('ManifestVersion')!r} is not {MANIFEST_VERSION}")
    for kind in SCHEMAS:
        if kind not in manifests:
            problems.append(f"no {kind} manifest in {folder}")
    if len(manifests) == len(SCHEMAS):
        version = manifests["version"][1]
        ident = version.get("PackageIdentifier")
        for kind, (name, data) in manifests.items():
            for key in ("PackageIdentifier", "PackageVersion"):
                if data.get(key) != version.get(key):
                    problems.append(f"{name}: {key} {data.get(key)!r} differs from the version manifest's")
        expected = {"version": f"{ident}.yaml", "installer": f"{ident}.installer.yaml",
                    "defaultLocale": f"{ident}.locale.{version.get('DefaultLocale')}.yaml"}
        for kind, (name, _) in manifests.items():
            if name != expected[kind]:
                problems.append(f"{name}: a {kind} manifest is named {expected[kind]}")
        if manifests["defaultLocale"][1].get("PackageLocale") != version.get("DefaultLocale"):
            problems.append("the defaultLocale manifest's PackageLocale is not the version manifest's DefaultLocale")
        installer = manifests["installer"][1]
        for i, entry in enumerate(installer.get("Installers") or []):
            if not isinstance(entry, dict):
                continue
            if "InstallerType" not in entry and "InstallerType" not in installer:
                problems.append(f"{manifests['installer'][0]}: Installers[{i}]: InstallerType is required here or "
                                "at the root")
            if packages and isinstance(entry.get("InstallerUrl"), str):
                path = os.path.join(packages, entry["InstallerUrl"].rsplit("/", 1)[-1])
                if not os.path.isfile(path):
                    problems.append(f"Installers[{i}]: {path} is missing")
                else:
                    with open(path, "rb") as f:
                        digest = hashlib.sha256(f.read()).hexdigest()
                    if str(entry.get("InstallerSha256", "")).lower() != digest:
                        problems.append(f"Installers[{i}]: InstallerSha256 is not the SHA-256 of {path}")
    for p in problems:
        print(f"winget manifest: {p}")
    if problems:
        return 1
    print(f"winget manifest: {folder}: {len(manifests)} manifests pass the v{MANIFEST_VERSION} rules")
    return 0


if __name__ == "__main__":
    sys.exit(main())
