#!/usr/bin/env python3
"""The Windows installer under Wine, in the prefix of win32_e2e.py: silent setups and uninstalls, as
winget runs them, each followed by what the prefix must hold. The profile is put back afterwards.

    installer_e2e.py --build build/windows --version 1.2.3 CASE
"""

import argparse
import getpass
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from win32_e2e import START_TIMEOUT, WineSession, stop_process  # noqa: E402

SCR = "C:\\windows\\system32\\kelvane.scr"
OTHER = "C:\\windows\\system32\\other.scr"
ENTRY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvane"
PROFILE = b"[Config-Ver102]\r\nCount=150\r\n"
GONE = None

# Each step: what runs, then (the program installed?, the two values SCRNSAVE.EXE and
# ScreenSaveActive, the user's kelvane.ini). "run" runs the installed program instead.
SCENARIOS = {
    # Installed alone, then once more making it current (an upgrade): one entry; uninstalled, the
    # screen saver of before comes back and the profile stays.
    "installer_installs_upgrades_and_uninstalls": ((OTHER, "0"), [
        (["setup", "/S"], (True, (OTHER, "0"), PROFILE)),
        (["run"], None),
        (["setup", "/S", "/CURRENT"], (True, (SCR, "1"), PROFILE)),
        (["uninstall", "/S"], (False, (OTHER, "0"), PROFILE))]),
    # No screen saver before: the uninstall removes both values, and the profile when asked.
    "installer_make_current_then_uninstall_with_settings": ((GONE, GONE), [
        (["setup", "/S", "/CURRENT"], (True, (SCR, "1"), PROFILE)),
        (["uninstall", "/S", "/REMOVESETTINGS"], (False, (GONE, GONE), GONE))]),
}


def reg_key(prefix, hive_file, key):
    """The values of a key in one of Wine's registry files (after wineserver -w); None without the key."""
    m = re.search(r"^\[" + re.escape(key.replace("\\", "\\\\")) + r"\] \d+\n(.*?)(?:\n\n|\Z)", read_text(prefix, hive_file), re.M | re.S | re.I)
    if not m:
        return None
    values = re.findall(r'^"((?:[^"\\]|\\.)*)"=(?:"((?:[^"\\]|\\.)*)"|dword:([0-9a-f]+))', m.group(1), re.M)
    return {unescape(n).lower(): (unescape(s) if not d else int(d, 16)) for n, s, d in values}


def unescape(text):
    return re.sub(r"\\(.)", r"\1", text)


def read_text(*path):
    with open(os.path.join(*path), encoding="utf-8", errors="replace") as f:
        return f.read()


def run_scenario(x, version, before, steps):
    def wine(*args):
        x.run(["wine"] + list(args), timeout=120)
        subprocess.run(["wineserver", "-w"], env=x.env, timeout=120)  # an uninstaller goes on in a copy

    def path(windows_path):
        return os.path.join(x.prefix, "drive_c", *windows_path[3:].split("\\"))

    def saver():
        desktop = reg_key(x.prefix, "user.reg", "Control Panel\\Desktop")
        return desktop.get("scrnsave.exe"), desktop.get("screensaveactive")

    def set_saver(values):
        v = ['-' if s is GONE else '"' + s.replace("\\", "\\\\") + '"' for s in values]
        with tempfile.NamedTemporaryFile("w", suffix=".reg") as f:
            f.write(f'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"SCRNSAVE.EXE"={v[0]}\r\n'
                    f'"ScreenSaveActive"={v[1]}\r\n')
            f.flush()
            wine("regedit", "/S", "Z:" + f.name.replace("/", "\\"))

    def write_profile(contents):
        if contents is GONE:
            os.path.exists(profile) and os.remove(profile)
        else:
            with open(profile, "wb") as f:
                f.write(contents)

    profile = path(f"C:\\users\\{getpass.getuser()}\\AppData\\Roaming\\kelvane.ini")
    saved = (saver(), open(profile, "rb").read() if os.path.exists(profile) else GONE)
    assert not os.path.exists(path(SCR)), "Kelvane is installed in the prefix already: remove build/windows/wineprefix"
    set_saver(before)
    write_profile(PROFILE)
    try:
        for step, expected in steps:
            if step[0] == "run":
                proc = x.saver("/s", program=SCR)
                x.wait_for_frames(proc, x.wait_for_snow(proc)[1])
                stop_process(proc)
                proc = x.saver("/c", program=SCR)
                x.wait_for(lambda: x.run(["xdotool", "search", "--onlyvisible", "--name", "^Kelvaneの設定$"],
                                         check=False).stdout.strip(), START_TIMEOUT, "the settings dialog")
                stop_process(proc)
                continue
            entry = reg_key(x.prefix, "system.reg", ENTRY)
            wine(os.path.join(x.build, f"kelvane-{version}-setup.exe") if step[0] == "setup"
                 else re.match(r'"(.*)" /S$', entry["quietuninstallstring"]).group(1), *step[1:])
            installed, values, kept = expected
            entry = reg_key(x.prefix, "system.reg", ENTRY)
            # A 32-bit installer's System32 is SysWOW64, which the 64-bit control panel never lists.
            assert os.path.isfile(path(SCR)) == installed and not os.path.exists(path(SCR.replace("system32", "syswow64")))
            assert read_text(x.prefix, "system.reg").count('\n"DisplayName"="Kelvane"\n') == installed, (step, "entries")
            assert saver() == values, (step, saver())
            assert (open(profile, "rb").read() if os.path.exists(profile) else GONE) == kept, step
            if installed:
                assert (entry["displayname"], entry["displayversion"], entry["publisher"]) == \
                       ("Kelvane", version, "The Kelvane developers"), entry
                assert entry["estimatedsize"] * 1024 >= os.path.getsize(path(SCR)), entry
            else:
                assert reg_key(x.prefix, "user.reg", "Software\\Kelvane") is None, (step, "HKCU\\Software\\Kelvane")
                assert not os.path.exists(path("C:\\Program Files\\Kelvane")), step
    finally:
        set_saver(saved[0])
        write_profile(saved[1])


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("case", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    with WineSession(args.build) as x:
        run_scenario(x, args.version, *SCENARIOS[args.case])
    print(f"{args.case}: passed")


if __name__ == "__main__":
    main()
