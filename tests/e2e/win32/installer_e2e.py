#!/usr/bin/env python3
"""End-to-end tests of the Windows installer under Wine, in the Wine prefix of win32_e2e.py.

    installer_e2e.py --build build/windows --version 1.2.3 CASE

Each case is a scenario of the table SCENARIOS: setups and uninstalls run as a user or winget runs
them, silently, each followed by what the prefix must then hold (files, registry, the profile).
The prefix is left as it was found: the scenario's last step uninstalls, and the profile is put back.
"""

import argparse
import getpass
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from win32_e2e import (END_TIMEOUT, SETTINGS_TITLE, START_TIMEOUT, Screen, WineSession, alive,  # noqa: E402
                       process_ended, stop_process)

SYSTEM_SCR = "C:\\windows\\system32\\kelvane.scr"
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
DESKTOP_KEY = "Control Panel\\Desktop"
OTHER_SAVER = "C:\\windows\\system32\\other.scr"
# A profile of the user's, which the uninstaller keeps unless told otherwise.
PROFILE = b"[Config-Ver102]\r\nPeriod=40\r\nCount=150\r\n"
ABSENT = None


def read_reg(path):
    """A Wine registry file (system.reg, user.reg) as {lower-case key: {lower-case name: value}};
    strings as str, dwords as int."""
    keys, values = {}, None
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("["):
                name = line[1:line.rindex("]")].replace("\\\\", "\\").lower()
                values = keys.setdefault(name, {})
            elif values is not None and line.startswith('"'):
                m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)$', line)
                if not m:
                    continue
                name, data = m.group(1).replace("\\\\", "\\").lower(), m.group(2)
                if data.startswith('"'):
                    values[name] = data[1:-1].replace('\\"', '"').replace("\\\\", "\\")
                elif data.startswith("dword:"):
                    values[name] = int(data[6:], 16)
                else:
                    values[name] = data
    return keys


class Prefix:
    """The installer's marks on the Wine prefix, read from its files once Wine has ended."""

    def __init__(self, session):
        self.x = session
        self.root = session.prefix
        self.roaming = os.path.join(self.root, "drive_c", "users", getpass.getuser(), "AppData", "Roaming")
        self.profile = os.path.join(self.roaming, "kelvane.ini")

    def settle(self):
        """Waits for every program of the prefix to end (an uninstaller goes on in a copy of itself),
        which writes the registry out to its files."""
        subprocess.run(["wineserver", "-w"], env=self.x.env, capture_output=True, timeout=120)

    def path(self, windows_path):
        drive, rest = windows_path.split(":", 1)
        return os.path.join(self.root, "drive_" + drive.lower(), *rest.strip("\\").split("\\"))

    def hklm(self):
        return read_reg(os.path.join(self.root, "system.reg"))

    def hkcu(self):
        return read_reg(os.path.join(self.root, "user.reg"))

    def entries(self):
        """The Apps & features entries named Kelvane: {key: values}."""
        prefix = UNINSTALL_KEY.lower() + "\\"
        return {k: v for k, v in self.hklm().items() if k.startswith(prefix) and v.get("displayname") == "Kelvane"}

    def saver(self):
        desktop = self.hkcu().get(DESKTOP_KEY.lower(), {})
        return desktop.get("scrnsave.exe", ABSENT), desktop.get("screensaveactive", ABSENT)

    def read_profile(self):
        if not os.path.isfile(self.profile):
            return ABSENT
        with open(self.profile, "rb") as f:
            return f.read()

    def remove_kelvane(self):
        """Takes away by hand whatever a failed scenario left installed, so that the next run starts clean."""
        for path in ("C:\\windows\\system32\\kelvane.scr", "C:\\windows\\system32\\kelvane.scr.old"):
            if os.path.exists(self.path(path)):
                os.remove(self.path(path))
        shutil.rmtree(self.path("C:\\Program Files\\Kelvane"), ignore_errors=True)
        self.regedit(f"[-HKEY_LOCAL_MACHINE\\{UNINSTALL_KEY}\\Kelvane]\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Kelvane]\r\n")

    def regedit(self, text):
        fd, path = tempfile.mkstemp(prefix="kelvane-", suffix=".reg")
        with os.fdopen(fd, "w") as f:
            f.write("REGEDIT4\r\n\r\n" + text)
        try:
            self.x.run(["wine", "regedit", "/S", "Z:" + path.replace("/", "\\")], timeout=120)
        finally:
            os.remove(path)
        self.settle()

    def set_saver(self, scrnsave, active):
        """Sets (or, with ABSENT, removes) the two values of the current screen saver."""
        def value(v):
            return "-" if v is ABSENT else '"' + v.replace("\\", "\\\\") + '"'
        self.regedit(f"[HKEY_CURRENT_USER\\{DESKTOP_KEY}]\r\n\"SCRNSAVE.EXE\"={value(scrnsave)}\r\n"
                     f"\"ScreenSaveActive\"={value(active)}\r\n")


# Steps: what runs, then what must hold. "installed": kelvane.scr in System32 and one entry in Apps &
# features, or nothing of ours anywhere; "saver": the two values of Control Panel\Desktop (SCRNSAVE.EXE,
# ScreenSaveActive); "profile": the user's kelvane.ini. ("run",) runs the installed program.

def setup(*args):
    return ("setup",) + args


def uninstall(*args):
    return ("uninstall",) + args


INSTALLED = True
NOTHING_OF_OURS = False

SCENARIOS = {
    # A silent install puts the program where Screen Saver Settings looks (the 64-bit system folder)
    # and an entry in Apps & features, and leaves the current screen saver alone; the installed
    # program saves and opens its settings; a second install over the first, this time making
    # Kelvane current, leaves one entry; the silent uninstall takes everything of ours away, puts the
    # screen saver that was current back and keeps the user's profile.
    "installer_installs_upgrades_and_uninstalls": dict(
        before=dict(saver=(OTHER_SAVER, "0"), profile=PROFILE),
        steps=[
            (setup("/S"), dict(installed=INSTALLED, saver=(OTHER_SAVER, "0"), profile=PROFILE)),
            (("run",), {}),
            (setup("/S", "/CURRENT"), dict(installed=INSTALLED, saver=(SYSTEM_SCR, "1"), profile=PROFILE)),
            (uninstall("/S"), dict(installed=NOTHING_OF_OURS, saver=(OTHER_SAVER, "0"), profile=PROFILE)),
        ]),
    # With no screen saver chosen before, "make it current" sets both values and the uninstall
    # removes both; asked to, it deletes the user's profile too.
    "installer_make_current_then_uninstall_with_settings": dict(
        before=dict(saver=(ABSENT, ABSENT), profile=PROFILE),
        steps=[
            (setup("/S", "/CURRENT"), dict(installed=INSTALLED, saver=(SYSTEM_SCR, "1"), profile=PROFILE)),
            (uninstall("/S", "/REMOVESETTINGS"), dict(installed=NOTHING_OF_OURS, saver=(ABSENT, ABSENT), profile=ABSENT)),
        ]),
}


def check_installed(p, version, installed):
    scr = p.path(SYSTEM_SCR)
    entries = p.entries()
    hkcu_ours = [k for k in p.hkcu() if k == "software\\kelvane" or k.startswith("software\\kelvane\\")]
    # A 32-bit installer would land in SysWOW64, which the 64-bit control panel never lists.
    assert not os.path.exists(p.path("C:\\windows\\syswow64\\kelvane.scr")), "kelvane.scr in SysWOW64"
    if not installed:
        assert not os.path.exists(scr), f"{scr} is still there"
        assert not entries, f"entries left in Apps & features: {list(entries)}"
        assert not os.path.exists(p.path("C:\\Program Files\\Kelvane")), "C:\\Program Files\\Kelvane is still there"
        assert not hkcu_ours, f"keys of ours left in HKEY_CURRENT_USER: {hkcu_ours}"
        return
    assert os.path.isfile(scr), f"no {scr}"
    assert len(entries) == 1, f"not one entry in Apps & features: {list(entries)}"
    entry = next(iter(entries.values()))
    assert entry.get("displayversion") == version, entry
    assert entry.get("publisher"), entry
    assert entry.get("estimatedsize", 0) * 1024 >= os.path.getsize(scr), entry
    assert entry.get("quietuninstallstring", "").endswith(" /S"), entry


def check_runs(x, version):
    """The installed kelvane.scr: /s covers the screen with moving snow, /c opens the settings dialog."""
    proc = x.saver("/s", program=SYSTEM_SCR)
    _, shot = x.wait_for_snow(proc)
    x.wait_for_frames(proc, shot)
    stop_process(proc)
    proc = x.saver("/c", program=SYSTEM_SCR)
    folder = tempfile.mkdtemp(prefix="kelvane-probe-")
    out_path = os.path.join(folder, "probe.txt")

    def dialog():
        alive(proc)
        with open(out_path, "w") as out:
            probe = x.wine(os.path.join(x.build, "kelvane-dialog-probe.exe"), "list", SYSTEM_SCR, stdout=out)
        process_ended(probe, END_TIMEOUT, "the dialog probe")
        with open(out_path, encoding="utf-8") as f:
            return Screen(f.read()).window(SETTINGS_TITLE)
    try:
        x.wait_for(dialog, START_TIMEOUT, "the installed program's settings dialog")
    finally:
        stop_process(proc)
        shutil.rmtree(folder, ignore_errors=True)


def run_scenario(build, version, scenario):
    setup_exe = os.path.join(os.path.abspath(build), f"kelvane-{version}-setup.exe")
    with WineSession(build) as x:
        p = Prefix(x)
        saved_profile = p.read_profile()
        saved_saver = None
        try:
            p.settle()
            saved_saver = p.saver()
            assert not os.path.exists(p.path(SYSTEM_SCR)) and not p.entries(), "Kelvane is installed before the test"
            p.set_saver(*scenario["before"]["saver"])
            with open(p.profile, "wb") as f:
                f.write(scenario["before"]["profile"])
            for step, expected in scenario["steps"]:
                started = time.monotonic()
                if step[0] == "run":
                    check_runs(x, version)
                    continue
                if step[0] == "setup":
                    x.run(["wine", setup_exe] + list(step[1:]), timeout=120)
                else:
                    quiet = next(iter(p.entries().values()))["quietuninstallstring"]
                    program = quiet.rsplit(" /S", 1)[0].strip('"')
                    x.run(["wine", program] + list(step[1:]), timeout=120)
                p.settle()
                print(f"{' '.join(step)}: {time.monotonic() - started:.1f} s")
                check_installed(p, version, expected["installed"])
                assert p.saver() == expected["saver"], f"after {step}: the screen saver is {p.saver()}"
                assert p.read_profile() == expected["profile"], f"after {step}: the profile is {p.read_profile()!r}"
        finally:
            if os.path.exists(p.path(SYSTEM_SCR)) or p.entries():
                p.remove_kelvane()
            if saved_saver is not None:
                p.set_saver(*saved_saver)
            if saved_profile is None:
                if os.path.exists(p.profile):
                    os.remove(p.profile)
            else:
                with open(p.profile, "wb") as f:
                    f.write(saved_profile)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the Windows build folder, holding kelvane-VERSION-setup.exe")
    parser.add_argument("--version", required=True, help="the project's version")
    parser.add_argument("case", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    started = time.monotonic()
    run_scenario(args.build, args.version, SCENARIOS[args.case])
    print(f"{args.case}: passed in {time.monotonic() - started:.1f} s")


if __name__ == "__main__":
    main()
