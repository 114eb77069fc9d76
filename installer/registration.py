#!/usr/bin/env python3
"""The package's registry entries, taken from what the libraries' own registration writes.

  registration.py capture --wine-run <wine-run.sh> --state-dir <dir> --out <file.json> <Name=dll>...
      registers each library (regsvr32) in a Wine prefix of its own and records what each one
      wrote: HKEY_CLASSES_ROOT (HKLM\\Software\\Classes) and the Outlook add-in keys of
      HKEY_CURRENT_USER. Any other key written is an error, so the package can't miss an entry.
  registration.py wxs --template <in.wxs> --registration <file.json> --out <out.wxs>
                  --tables-out <dir> --var NAME=value...
      writes the package source: @NAME@ from --var, and @REGISTRY_<Name>@ with the
      <RegistryValue> elements of that library, all under HKCU (classes under Software\\Classes),
      its file paths rewritten to [INSTALLDIR]<file>; and into <dir> the table rows wixl can't
      write (keys without values, the stand-in feature's condition, its searches' locations).

Wine keeps its registry in text files (system.reg, user.reg); a snapshot is read from them once
the wineserver has written them out.
"""
import argparse
import json
import os
import re
import subprocess
import sys
from xml.sax.saxutils import quoteattr


def unescape(s):
    out, i = [], 0
    while i < len(s):
        c = s[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        n = s[i + 1]
        if n == "x":
            m = re.match(r"[0-9a-fA-F]{1,4}", s[i + 2:])
            out.append(chr(int(m.group(0), 16)))
            i += 2 + len(m.group(0))
            continue
        if n in "01234567":
            m = re.match(r"[0-7]{1,3}", s[i + 1:])
            out.append(chr(int(m.group(0), 8)))
            i += 1 + len(m.group(0))
            continue
        out.append({"n": "\n", "r": "\r", "t": "\t", "a": "\a", "b": "\b", "f": "\f", "v": "\v",
                    "e": "\x1b"}.get(n, n))
        i += 2
    return "".join(out)


def quoted(line, start):
    """The escaped string starting after the quote at line[start]; returns (text, end)."""
    i = start + 1
    while line[i] != '"':
        i += 2 if line[i] == "\\" else 1
    return unescape(line[start + 1:i]), i + 1


def read_wine_reg(path):
    """{key: {name: (type, data)}} of a Wine registry file; name "" is the default value."""
    keys, current = {}, None
    if not os.path.exists(path):
        return keys
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        while line.endswith("\\") and i < len(lines):  # hex data continued on the next line
            line = line[:-1] + lines[i].strip()
            i += 1
        if line.startswith("["):
            end = line.rindex("]")
            current = unescape(line[1:end])
            keys.setdefault(current, {})
        elif current is not None and (line.startswith('"') or line.startswith("@=")):
            if line.startswith("@="):
                name, rest = "", line[2:]
            else:
                name, end = quoted(line, 0)
                rest = line[end + 1:]
            if rest.startswith('"'):
                keys[current][name] = ("sz", quoted(rest, 0)[0])
            elif rest.startswith('str(2):"'):
                keys[current][name] = ("expand", quoted(rest, 7)[0])
            elif rest.startswith("dword:"):
                keys[current][name] = ("dword", int(rest[6:], 16))
            else:
                keys[current][name] = ("other", rest)
    return keys


def snapshot(prefix):
    return {"system": read_wine_reg(os.path.join(prefix, "system.reg")),
            "user": read_wine_reg(os.path.join(prefix, "user.reg"))}


def diff(before, after):
    """Values in after that before lacks or holds otherwise; keys made without values too."""
    out = {}
    for key, values in after.items():
        old = before.get(key)
        if old is None and not values:
            out[key] = {}
        for name, v in values.items():
            if old is None or old.get(name) != v:
                out.setdefault(key, {})[name] = v
    return out


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def capture(args):
    prefix = os.path.join(os.path.abspath(args.state_dir), "prefix")
    env = dict(os.environ, WINEARCH="win32", WINEPREFIX=prefix)

    def wine(*cmd):
        r = subprocess.run([args.wine_run, "--state-dir", args.state_dir, "--", *cmd],
                           stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        return r.returncode

    def settle():  # the wineserver writes the registry files when it ends
        subprocess.run(["wineserver", "-w"], env=env, stdin=subprocess.DEVNULL)

    libs = [a.split("=", 1) for a in args.libraries]
    for _, dll in libs:  # a run cut short leaves its registration behind
        wine("regsvr32", "/s", "/u", windows_path(dll))
    settle()
    result, before = {}, snapshot(prefix)
    for name, dll in libs:
        rc = wine("regsvr32", "/s", windows_path(dll))
        if rc != 0:
            sys.exit(f"registration.py: regsvr32 {dll} failed ({rc})")
        settle()
        after = snapshot(prefix)
        entries = []
        for hive, values in (("system", diff(before["system"], after["system"])),
                             ("user", diff(before["user"], after["user"]))):
            for key in sorted(values, key=str.lower):
                low = key.lower()
                if low.startswith("software\\wine") or not low.startswith("software\\"):
                    continue  # Wine's own state (drivers, display, devices)
                if hive == "system":
                    if not low.startswith("software\\classes\\"):
                        sys.exit(f"registration.py: {name} wrote HKLM\\{key}, which the package can't hold")
                elif not low.startswith(("software\\classes\\", "software\\microsoft\\office\\outlook\\addins\\")):
                    sys.exit(f"registration.py: {name} wrote HKCU\\{key}, which the package doesn't expect")
                target = key
                for vname in sorted(values[key], key=str.lower):
                    vtype, data = values[key][vname]
                    if vtype == "other":
                        sys.exit(f"registration.py: {name} wrote {key}\\{vname} of a type the package doesn't take")
                    entries.append({"key": target, "name": vname, "type": vtype, "data": data})
                if not values[key]:
                    entries.append({"key": target, "name": None, "type": "key", "data": None})
        result[name] = {"file": os.path.basename(dll), "source": windows_path(dll), "entries": entries}
        before = after
    for _, dll in libs:
        wine("regsvr32", "/s", "/u", windows_path(dll))
    settle()
    with open(args.out, "w", encoding="utf-8") as f:
        json.dump(result, f, indent=1, sort_keys=True)


def rewrite_paths(text, sources):
    """The build's paths of the libraries and their folders become the installation folder's."""
    for src, file in sources:
        folder = src.rsplit("\\", 1)[0]
        for old, new in ((src, "[INSTALLDIR]" + file), (folder + "\\", "[INSTALLDIR]"), (folder, "[INSTALLDIR]")):
            text = re.sub(re.escape(old), lambda _m, n=new: n, text, flags=re.IGNORECASE)
    return text


def formatted(text):
    """A literal for the Registry table's formatted Value: brackets escaped, a leading # doubled."""
    text = re.sub(r"[\[\]]", lambda m: "[\\" + m.group(0) + "]", text)
    return "#" + text if text.startswith("#") else text


def wxs(args):
    with open(args.registration, encoding="utf-8") as f:
        reg = json.load(f)
    with open(args.template, encoding="utf-8") as f:
        text = f.read()
    sources = [(lib["source"], lib["file"]) for lib in reg.values()]
    keys = []  # Registry table rows of keys without values, which wixl can't express
    for name, lib in reg.items():
        lines, keypath = [], True
        for e in lib["entries"]:
            key = e["key"]
            root = "HKCU"
            if e["type"] == "key":
                # Name "*": the key is made at install and removed at uninstall; Root 1: HKCU.
                keys.append(f"{name}Key{len(keys) + 1}\t1\t{key}\t*\t\t{name}\n")
                continue
            attrs = f'Root="{root}" Key={quoteattr(key)}'
            if e["name"]:
                attrs += f' Name={quoteattr(e["name"])}'
            if e["type"] == "dword":
                attrs += f' Type="integer" Value="{e["data"]}"'
            else:
                value = formatted(e["data"])
                value = rewrite_paths(value, sources) if "\\" in e["data"] else value
                attrs += f' Type="{"expandable" if e["type"] == "expand" else "string"}" Value={quoteattr(value)}'
            # The component's key path: its first value (for a COM server, its class's default value).
            if keypath and e["key"].lower().startswith("software\\classes\\clsid\\") and e["name"] == "":
                attrs += ' KeyPath="yes"'
                keypath = False
            lines.append(f"<RegistryValue {attrs}/>")
        if keypath:
            sys.exit(f"registration.py: {name} registered no class for the key path")
        text = text.replace(f"@REGISTRY_{name}@", "\n          ".join(lines))
    out_dir = os.path.dirname(os.path.abspath(args.out))
    for v in args.var:
        k, val = v.split("=", 1)
        if os.path.isabs(val):  # wixl takes sources relative to the package source
            val = os.path.relpath(val, out_dir)
        text = text.replace(f"@{k}@", val)
    left = re.findall(r"@[A-Z_a-z]+@", text)
    if left:
        sys.exit(f"registration.py: {args.template} still holds {' '.join(sorted(set(left)))}")
    with open(args.out, "w", encoding="utf-8") as f:
        f.write(text)
    os.makedirs(args.tables_out, exist_ok=True)
    with open(os.path.join(args.tables_out, "registry-keys.rows"), "w", encoding="utf-8") as f:
        f.write("".join(keys))
    write_stand_in_condition(reg, args.tables_out)


STAND_IN_PROGID_KEY = "Software\\Classes\\Redemption.SafeMailItem\\CLSID"


def write_stand_in_condition(reg, out_dir):
    """The tables that turn the stand-in's feature (FR) off when the vendor's library is registered.

    REDEMPTIONMACHINE: the ProgID's CLSID under HKLM\\Software\\Classes; REDEMPTIONUSER: under
    HKCU\\Software\\Classes, which is ours when it names the stand-in's class (Windows merges the
    user's classes into HKEY_CLASSES_ROOT, so a search there would find our own stand-in on an
    upgrade). Maintenance (repair, uninstall) keeps the feature as it was installed."""
    ours = next((e["data"] for e in reg["RedemptionStandIn"]["entries"]
                 if e["key"].lower() == STAND_IN_PROGID_KEY.lower() and e["name"] == ""), None)
    if not ours:
        sys.exit("registration.py: the stand-in registered no Redemption.SafeMailItem class")
    condition = f'NOT Installed AND (REDEMPTIONMACHINE OR (REDEMPTIONUSER AND REDEMPTIONUSER <> "{ours}"))'
    with open(os.path.join(out_dir, "Condition.idt"), "w", encoding="utf-8") as f:
        f.write(f"Feature_\tLevel\tCondition\ns38\ti2\tS255\nCondition\tFeature_\tLevel\nFR\t0\t{condition}\n")
    # wixl writes the AppSearch rows but not their RegLocator rows. Root 2: HKLM, 1: HKCU;
    # Type 2: the raw value.
    key = STAND_IN_PROGID_KEY
    with open(os.path.join(out_dir, "RegLocator.idt"), "w", encoding="utf-8") as f:
        f.write("Signature_\tRoot\tKey\tName\tType\ns72\ti2\ts255\tS255\tI2\nRegLocator\tSignature_\n"
                f"RedemptionMachine\t2\t{key}\t\t2\nRedemptionUser\t1\t{key}\t\t2\n")


def main():
    p = argparse.ArgumentParser()
    sub = p.add_subparsers(dest="cmd", required=True)
    c = sub.add_parser("capture")
    c.add_argument("--wine-run", required=True)
    c.add_argument("--state-dir", required=True)
    c.add_argument("--out", required=True)
    c.add_argument("libraries", nargs="+")
    w = sub.add_parser("wxs")
    w.add_argument("--template", required=True)
    w.add_argument("--registration", required=True)
    w.add_argument("--out", required=True)
    w.add_argument("--tables-out", required=True,
                   help="folder for the rows wixl can't write: registry-keys.rows, Condition.idt, RegLocator.idt")
    w.add_argument("--var", action="append", default=[])
    a = p.parse_args()
    {"capture": capture, "wxs": wxs}[a.cmd](a)


if __name__ == "__main__":
    main()
