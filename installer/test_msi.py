#!/usr/bin/env python3
"""The package in a fresh Wine prefix of its own: install, use, install over, repair, uninstall.

  test_msi.py --wine-run <wine-run.sh> --state-dir <dir> --registration <registration.json>
              --msi <Brisko-v.msi> --msi-newer <a package of a higher version>
              --outlook-sim <outlook-sim.exe> --files <Name=build file>...

Registry listings are read from the prefix's registry files (system.reg: HKEY_LOCAL_MACHINE,
user.reg: HKEY_CURRENT_USER) once the wineserver has written them; file listings are the files
and folders under drive_c/users.
"""
import argparse
import filecmp
import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import registration  # noqa: E402

SETTINGS = "software\\corvant\\brisko"
INSTALLER_KEYS = (  # what Windows Installer itself keeps of a per-user installation
    "software\\microsoft\\windows\\currentversion\\installer\\userdata\\",
    "software\\microsoft\\windows\\currentversion\\installer\\upgradecodes\\",
    "software\\microsoft\\windows\\currentversion\\uninstall\\",
)
USER_INSTALLER_KEYS = ("software\\microsoft\\installer\\",)  # its per-user records in HKCU
# Windows Installer removes a value's key once it is empty, not the parents it made for it: the
# parents of the Outlook add-in key (there before on a machine with Outlook) may stay, empty.
ADDIN_PARENTS = ("software\\microsoft\\office", "software\\microsoft\\office\\outlook",
                 "software\\microsoft\\office\\outlook\\addins")
WINE_STATE = ("system\\", "hardware\\")  # Wine's device state, rewritten when a program starts
LOG_FOLDER = "users/{user}/AppData/Local/Corvant"  # the add-in's log, written by its runs

failures = []


def check(ok, what):
    print(("ok      " if ok else "FAILED  ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


class Prefix:
    def __init__(self, args):
        self.args = args
        self.state = os.path.abspath(args.state_dir)
        self.path = os.path.join(self.state, "prefix")
        self.pristine = os.path.join(self.state, "pristine")

    def fresh(self):
        subprocess.run(["wineserver", "-k"], env=self.env(), stderr=subprocess.DEVNULL)
        shutil.rmtree(self.path, ignore_errors=True)
        if not os.path.isdir(self.pristine):
            self.wine("cmd", "/c", "exit")  # wine-run.sh makes the prefix
            self.settle()
            shutil.copytree(self.path, self.pristine, symlinks=True)
        else:
            shutil.copytree(self.pristine, self.path, symlinks=True)
        self.user = next(u for u in os.listdir(os.path.join(self.path, "drive_c", "users"))
                         if u not in ("Public", "public"))

    def env(self):
        return dict(os.environ, WINEARCH="win32", WINEPREFIX=self.path)

    def wine(self, *cmd, stdout=None):
        r = subprocess.run([self.args.wine_run, "--state-dir", self.state, "--", *cmd],
                           stdin=subprocess.DEVNULL, stdout=stdout or subprocess.PIPE, stderr=subprocess.PIPE,
                           text=True)
        return r

    def msiexec(self, *args):
        return self.wine("msiexec", *args, "/qn").returncode

    def settle(self):
        subprocess.run(["wineserver", "-w"], env=self.env(), stdin=subprocess.DEVNULL)

    def registry(self):
        self.settle()
        reg = {"HKLM": registration.read_wine_reg(os.path.join(self.path, "system.reg")),
               "HKCU": registration.read_wine_reg(os.path.join(self.path, "user.reg"))}
        for keys in reg.values():  # Wine's files leave out keys that hold only sub-keys
            for key in list(keys):
                parts = key.split("\\")
                for i in range(1, len(parts)):
                    keys.setdefault("\\".join(parts[:i]), {})
        return reg

    def files(self):
        root = os.path.join(self.path, "drive_c")
        out = set()
        for d, dirs, names in os.walk(os.path.join(root, "users")):
            for n in dirs + names:
                out.add(os.path.relpath(os.path.join(d, n), root))
        return out

    def install_dir(self):
        return os.path.join(self.path, "drive_c", "users", self.user, "AppData", "Local", "Programs", "Brisko")

    def windows_install_dir(self):
        return f"C:\\users\\{self.user}\\AppData\\Local\\Programs\\Brisko\\"


def listing(reg):
    """Keys and values, one line each, by hive."""
    lines = set()
    for hive, keys in reg.items():
        for key, values in keys.items():
            lines.add((hive, key.lower(), None, None))
            for name, v in values.items():
                lines.add((hive, key.lower(), name.lower(), v))
    return lines


def subtree(reg, hive, key):
    key = key.lower()
    return {k: v for k, v in reg[hive].items() if k.lower() == key or k.lower().startswith(key + "\\")}


def expected_entries(reg_json, prefix, with_stand_in):
    """The package's values as the install must have written them: (key, name) -> (type, data)."""
    out, keys = {}, set()
    sources = [(lib["source"], lib["file"]) for lib in reg_json.values()]
    for name, lib in reg_json.items():
        if name == "RedemptionStandIn" and not with_stand_in:
            continue
        for e in lib["entries"]:
            key = e["key"].lower()
            keys.add(key)
            if e["type"] == "key":
                continue
            data = e["data"]
            if e["type"] != "dword" and "\\" in data:
                data = registration.rewrite_paths(data, sources).replace("[INSTALLDIR]", prefix.windows_install_dir())
            out[(key, e["name"].lower())] = (e["type"], data)
    return out, keys


def check_installed(prefix, reg_json, before, with_stand_in, label):
    reg = prefix.registry()
    # The files, as built.
    names = {n: f for n, f in (a.split("=", 1) for a in prefix.args.files)}
    if not with_stand_in:
        names.pop("RedemptionStandIn.dll")
    inst = prefix.install_dir()
    present = set()
    for d, _, fs in os.walk(inst):
        present |= {os.path.relpath(os.path.join(d, f), inst).replace(os.sep, "\\") for f in fs}
    check(present == set(names), f"{label}: the files in Programs\\Brisko are {sorted(names)} (found {sorted(present)})")
    check(all(filecmp.cmp(names[n], os.path.join(inst, *n.split("\\")), shallow=False) for n in names if n in present),
          f"{label}: each installed file equals the build's")
    # The keys, under HKCU.
    want, keys = expected_entries(reg_json, prefix, with_stand_in)
    hkcu = {k.lower(): {n.lower(): v for n, v in vs.items()} for k, vs in reg["HKCU"].items()}
    missing = [f"{k}\\{n}" for (k, n), v in want.items() if hkcu.get(k, {}).get(n) != v]
    missing += [k for k in keys if k not in hkcu]
    check(not missing, f"{label}: the package's {len(want)} values under HKCU (missing or wrong: {missing[:5]})")
    addin = hkcu.get("software\\microsoft\\office\\outlook\\addins\\brisko.connect", {})
    check(addin.get("loadbehavior") == ("dword", 3), f"{label}: the Outlook add-in key says LoadBehavior 3")
    stand_in = any(k.startswith("software\\classes\\clsid\\") and v.get("", ("", ""))[1].lower().endswith("\\redemptionstandin.dll")
                   for k, v in hkcu.items())
    check(stand_in == with_stand_in, f"{label}: the stand-in is {'' if with_stand_in else 'not '}registered for the user")
    # Nothing of ours under HKLM: what changed there is Windows Installer's own bookkeeping.
    ours = []
    for hive, key, name, _ in listing(reg) - listing(before):
        if hive == "HKLM" and not (key + "\\").startswith(INSTALLER_KEYS) and not key.startswith(WINE_STATE):
            ours.append(key + ("\\" + name if name is not None else ""))
    check(not ours, f"{label}: nothing under HKLM beside Windows Installer's records (found {sorted(ours)[:5]})")
    return reg


def product_count(reg):
    products = {k.lower().split("\\")[3] for k in reg["HKCU"] if k.lower().startswith("software\\microsoft\\installer\\products\\")}
    return len(products)


def run_story(prefix, reg, before):
    """outlook-sim loads the installed add-in from the user's classes alone: where COM does not merge
    them into HKEY_CLASSES_ROOT (Wine 8), the platform's lookup of user classes finds them."""
    out_path = os.path.join(prefix.state, "story.out")
    with open(out_path, "w") as out:
        # outlook-sim's own story, the main job: Outlook 2003's toolbar, then Outlook 2010's ribbon.
        r = prefix.wine(prefix.args.outlook_sim, stdout=out)
    text = open(out_path, encoding="utf-8", errors="replace").read()
    check(r.returncode == 0, f"outlook-sim ran the story on the installed add-in (exit {r.returncode}, see {out_path})")
    check("D1 opens" in text, "Quick Task on the toolbar opened the quick task dialog")
    check(all(c in text for c in ("mvDueDate SysMonthCal32", "dtpDueDate SysDateTimePick32", "barPriority PriorityBar")),
          "the dialog holds the controls library's calendar, date picker and priority bar")
    check("demo: 11 of 11 expectations held" in text,
          "the main job's story held: the task in Tasks, the mail in Inbox\\Projects, the appointment, the ribbon's move")
    log = os.path.join(prefix.path, "drive_c", "users", prefix.user, "AppData", "Local", "Corvant", "Brisko", "Brisko.log")
    check(os.path.exists(log), "the add-in wrote its log in the user's folder")
    after = prefix.registry()
    check(subtree(after, "HKLM", "Software\\Classes") == subtree(reg, "HKLM", "Software\\Classes"),
          "HKLM\\Software\\Classes is as before the story")
    return after


def changes(before, after, before_files, after_files, prefix):
    """What differs between two listings, but the user's settings and Windows Installer's empty keys."""
    after_lines = listing(after)
    diff = listing(before) ^ after_lines
    left = []
    for hive, key, name, value in sorted(diff, key=str):
        if hive == "HKCU" and (key == SETTINGS or key.startswith(SETTINGS + "\\")):
            continue
        if hive == "HKCU" and name is None and SETTINGS.startswith(key + "\\") and (hive, SETTINGS, None, None) in after_lines:
            continue  # a parent of the user's settings
        if hive == "HKLM" and key.startswith(WINE_STATE):
            continue
        # An empty key (no value in it or below it) left by Windows Installer: its own records'
        # parents, or the add-in key's parents.
        allowed = (key + "\\").startswith(INSTALLER_KEYS + USER_INSTALLER_KEYS) or (hive == "HKCU" and key in ADDIN_PARENTS)
        if name is None and allowed and (hive, key, None, None) in after_lines and not any(
                (k.lower() == key or k.lower().startswith(key + "\\")) and v for k, v in after[hive].items()):
            continue
        left.append(f"{hive}\\{key}" + (f" {name}={value}" if name is not None else ""))
    log = LOG_FOLDER.format(user=prefix.user)
    left += [f"file {f}" for f in sorted(before_files ^ after_files) if not (f == log or f.startswith(log + "/"))]
    return left


def main():
    p = argparse.ArgumentParser()
    for a in ("--wine-run", "--state-dir", "--registration", "--msi", "--msi-newer", "--outlook-sim"):
        p.add_argument(a, required=True)
    p.add_argument("--files", nargs="+", required=True)
    args = p.parse_args()
    with open(args.registration, encoding="utf-8") as f:
        reg_json = json.load(f)
    msi, newer = registration.windows_path(args.msi), registration.windows_path(args.msi_newer)

    print("-- a fresh prefix: install, use, install over, repair, uninstall", flush=True)
    prefix = Prefix(args)
    prefix.fresh()
    before, before_files = prefix.registry(), prefix.files()
    check(prefix.msiexec("/i", msi) == 0, "msiexec /i Brisko.msi /qn")
    reg = check_installed(prefix, reg_json, before, True, "installed")
    reg = run_story(prefix, reg, before)
    settings = subtree(reg, "HKCU", SETTINGS)
    check(bool(settings), "the add-in wrote the user's settings")
    check(prefix.msiexec("/i", msi) == 0, "the same package installed again")
    check(prefix.msiexec("/i", newer) == 0, "a newer package installed over it")
    reg = check_installed(prefix, reg_json, before, True, "upgraded")
    check(product_count(reg) == 1, f"one product registered after the upgrade (found {product_count(reg)})")
    check(subtree(reg, "HKCU", SETTINGS) == settings, "the user's settings kept over the upgrade")
    check(prefix.msiexec("/i", msi) != 0, "the older package refuses to install over the newer one")
    # Repair: a lost library and a lost registry value come back.
    os.remove(os.path.join(prefix.install_dir(), "Kelvane.dll"))
    prefix.wine("reg", "delete", "HKCU\\Software\\Microsoft\\Office\\Outlook\\Addins\\Brisko.Connect", "/f")
    # Repair as msiexec /fa does; Wine's msiexec /f finds no per-user product (1605).
    check(prefix.msiexec("/i", newer, "REINSTALL=ALL", "REINSTALLMODE=amus") == 0,
          "repair: msiexec /i REINSTALL=ALL REINSTALLMODE=amus")
    check_installed(prefix, reg_json, before, True, "repaired")
    check(prefix.msiexec("/x", newer) == 0, "msiexec /x (uninstall)")
    after, after_files = prefix.registry(), prefix.files()
    left = changes(before, after, before_files, after_files, prefix)
    check(not left, f"after uninstall the prefix lists as before, the user's settings aside (differs: {left[:8]})")
    check(subtree(after, "HKCU", SETTINGS) == settings, "the user's settings stay after uninstall")

    for hive in ("HKLM", "HKCU"):
        print(f"-- a fresh prefix with the vendor's safe item library registered in {hive}", flush=True)
        prefix.fresh()
        vendor = "Software\\Classes\\Redemption.SafeMailItem"
        prefix.wine("reg", "add", f"{hive}\\{vendor}\\CLSID", "/ve", "/d", "{03C4C5F4-1893-444C-B8D8-002F0034DA92}", "/f")
        before, before_files = prefix.registry(), prefix.files()
        check(bool(subtree(before, hive, vendor)), f"the fake vendor registration is in {hive}")
        check(prefix.msiexec("/i", msi) == 0, "msiexec /i Brisko.msi /qn")
        reg = check_installed(prefix, reg_json, before, False, f"beside the vendor's library ({hive})")
        check(subtree(reg, hive, vendor) == subtree(before, hive, vendor), "the vendor's registration untouched")
        check(prefix.msiexec("/x", msi) == 0, "msiexec /x (uninstall)")
        after, after_files = prefix.registry(), prefix.files()
        left = changes(before, after, before_files, after_files, prefix)
        check(not left, f"after uninstall the prefix lists as before, the vendor's registration included (differs: {left[:8]})")
    subprocess.run(["wineserver", "-k"], env=prefix.env(), stderr=subprocess.DEVNULL)
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":

    sys.exit(main())
