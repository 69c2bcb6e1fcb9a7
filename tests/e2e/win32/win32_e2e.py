#!/usr/bin/env python3
"""End-to-end tests of kelvane.scr under Wine, each on an X display of its own.

    win32_e2e.py --build build/windows CASE

CASE is one of the functions named in CASES. The Wine prefix lives in the build folder
(build/windows/wineprefix) and is made once, by the case "prefix". Every case ends its Wine
session (wineserver -k) before its display goes, so the next case starts afresh.
"""

import argparse
import getpass
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from xsession import (XSession, end_wine, make_wine_prefix, process_ended, stop_process,  # noqa: E402
                      wait_for, wine_environment)

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..")
SCREEN = (800, 600)
START_TIMEOUT = 60   # a Wine session's first program starts slowly
END_TIMEOUT = 20
HOST_GREY = 0x808080   # the preview host's background (GRAY_BRUSH)


class WineSession(XSession):
    def __init__(self, build):
        super().__init__(*SCREEN)
        self.build = os.path.abspath(build)
        self.prefix = os.path.join(self.build, "wineprefix")
        self.scr = os.path.join(self.build, "kelvane.scr")

    def open(self, timeout=20):
        super().open(timeout)
        self.env.update(wine_environment(self.prefix))

    def close(self):
        if self.display is not None:
            end_wine(self.env)
        super().close()

    def wine(self, program, *args, stdout=None):
        return self.start(["wine", program] + [str(a) for a in args],
                          stdout=stdout if stdout is not None else subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def saver(self, *args, program=None):
        return self.wine(program or self.scr, *args)

    def full_screen_window(self):
        windows = self.windows_covering((0, 0) + SCREEN)
        return windows[0]["id"] if windows else None

    def wait_for_snow(self, proc):
        """Waits for the full-screen window and for snow on it; returns the window and the shot."""
        wid = self.wait_for(lambda: alive(proc) and self.full_screen_window(), START_TIMEOUT, "the full-screen window")
        shot = self.wait_for(lambda: white_shot(self, proc), START_TIMEOUT, "snow on the full-screen window")
        return wid, shot

    def wait_for_frames(self, proc, shot):
        """Waits until the picture differs from shot: the saver is still animating."""
        def next_shot():
            alive(proc)
            now = self.screenshot()
            return now if moved(now, shot) else None
        return self.wait_for(next_shot, END_TIMEOUT, "the snow to move")


def alive(proc):
    if proc.poll() is not None:
        raise AssertionError(f"the saver ended (exit status {proc.returncode})")
    return True


def white_shot(session, proc):
    alive(proc)
    shot = session.screenshot()
    return shot if shot.count_white() > 0 else None


def covered_with_snow(session, proc, rect):
    """A shot with snow inside rect and none of the preview host's grey left there, else None."""
    alive(proc)
    shot = session.screenshot()
    return shot if shot.count_white(rect) > 0 and shot.count_value(HOST_GREY, rect) == 0 else None


def moved(shot, before):
    return moved_in(shot, before, None)


def moved_in(shot, before, rect):
    return shot.count_white(rect) > 0 and shot.region(rect) != before.region(rect)


def expect_exit_zero(proc, what):
    status = process_ended(proc, END_TIMEOUT, what)
    if status != 0:
        raise AssertionError(f"{what}: exit status {status}")


class Host:
    """The preview host program: its handle, and what it reports about its child."""

    def __init__(self, session, *args):
        self.folder = tempfile.mkdtemp(prefix="kelvane-host-")
        self.out = os.path.join(self.folder, "out.txt")
        self.flag = os.path.join(self.folder, "close")
        with open(self.out, "w") as out:
            self.proc = session.wine(os.path.join(session.build, "kelvane-preview-host.exe"),
                                     "--close-when-exists", "Z:" + self.flag.replace("/", "\\"), *args, stdout=out)
        lines = wait_for(lambda: self.lines()[:2] if len(self.lines()) >= 2 else None, START_TIMEOUT,
                         "the host's window handle")
        self.hwnd = int(lines[0])
        self.client_origin = tuple(int(v) for v in lines[1].split()[1:])

    def lines(self):
        with open(self.out) as f:
            return [line.strip() for line in f if line.endswith("\n")]

    def child(self):
        """(handle, width, height) of the host's child window, None while it has none."""
        reports = [line.split() for line in self.lines() if line.startswith("child ")]
        if not reports or reports[-1][1] == "0":
            return None
        width, height = reports[-1][2].split("x")
        return int(reports[-1][1]), int(width), int(height)

    def destroy_window(self):
        open(self.flag, "w").close()

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)


# Cases

def prefix(build):
    """Makes the Wine prefix once; later runs find it ready."""
    with WineSession(build) as x:
        make_wine_prefix(x, x.env, timeout=300)


def saver_shows_moving_snow_full_screen(build):
    with WineSession(build) as x:
        proc = x.saver("/s")
        wid, shot = x.wait_for_snow(proc)
        info = x.window_info(wid)
        assert (info["x"], info["y"], info["width"], info["height"]) == (0, 0) + SCREEN, info
        x.wait_for_frames(proc, shot)


def saver_ends_on_the_second_mouse_position(build):
    with WineSession(build) as x:
        x.mouse_move(10, 10)
        proc = x.saver("/s")
        _, shot = x.wait_for_snow(proc)
        # Wine reports where the pointer is when the window appears, as Windows does; that first
        # report must not end the saver, however many frames follow.
        shot = x.wait_for_frames(proc, shot)
        x.wait_for_frames(proc, shot)
        x.mouse_move(20, 20)
        try:
            x.wait_for(lambda: proc.poll() is not None or not x.full_screen_window(), END_TIMEOUT,
                       "the saver's window to go after the pointer moved")
        except AssertionError:
            # This Wine sent no report when the window appeared: the move above was the first one.
            x.wait_for_frames(proc, x.screenshot())
            x.mouse_move(21, 20)
        expect_exit_zero(proc, "the saver to end after the pointer moved")


def saver_ends_on_a_key(build):
    with WineSession(build) as x:
        proc = x.saver("/s")
        wid, shot = x.wait_for_snow(proc)
        # Without a window manager nobody gives the window the keyboard; a desktop would.
        x.xdotool("windowfocus", "--sync", wid)
        x.wait_for_frames(proc, shot)
        x.key("a")
        expect_exit_zero(proc, "the saver to end after a key")


def saver_ends_on_a_click(build):
    with WineSession(build) as x:
        proc = x.saver("/s")
        _, shot = x.wait_for_snow(proc)
        x.wait_for_frames(proc, shot)
        x.click(1)
        expect_exit_zero(proc, "the saver to end after a click")


def preview_fills_the_host_and_ends_with_it(build):
    with WineSession(build) as x:
        host = Host(x, "--size", "320x240")
        # Few flakes redraw little of the preview by themselves: what the host shows through stays.
        copy = ProfiledCopy(x, "kelvane-sparse", b"[Config-Ver102]\r\nCount=5\r\n")
        try:
            proc = x.saver("/p", host.hwnd, program=copy.program)
            child = x.wait_for(lambda: alive(proc) and host.child(), START_TIMEOUT, "the preview window in the host")
            assert child[1:] == (320, 240), f"the preview covers {child[1:]}, the host's client area is 320x240"
            left, top = host.client_origin
            client = (left, top, left + 320, top + 240)
            # Snow in the host's client area, none of the host's grey left there, and nothing drawn outside it.
            shot = x.wait_for(lambda: covered_with_snow(x, proc, client), START_TIMEOUT,
                              "snow over the whole of the host's client area")
            outside = shot.count_white() - shot.count_white(client)
            assert outside == 0, f"{outside} white pixels outside the host's client area"
            x.wait_for(lambda: alive(proc) and moved_in(x.screenshot(), shot, client), END_TIMEOUT, "the preview's snow to move")
            # Covered by another window and uncovered again, the host's client area is all snow again.
            cover = x.start(["xmessage", "-geometry", f"200x150+{left + 60}+{top + 45}", "cover"])
            x.wait_for(lambda: [w for w in x.top_windows() if (w["width"], w["height"]) == (200, 150)], END_TIMEOUT,
                       "a window over the preview")
            stop_process(cover)
            x.wait_for(lambda: not [w for w in x.top_windows() if (w["width"], w["height"]) == (200, 150)],
                       END_TIMEOUT, "the window over the preview to go")
            x.wait_for(lambda: covered_with_snow(x, proc, client), END_TIMEOUT, "snow over the uncovered preview")
            host.destroy_window()
            expect_exit_zero(proc, "the saver to end with its host")
            expect_exit_zero(host.proc, "the host to end")
        finally:
            copy.remove()
            host.remove()


def preview_survives_a_host_that_goes_at_any_moment(build):
    with WineSession(build) as x:
        for delay in (1, 5, 20, 60, 150, 400):
            host = Host(x, "--close-after", delay)
            try:
                proc = x.saver("/p", host.hwnd)
                expect_exit_zero(proc, f"the saver to end with a host gone after {delay} ms")
                expect_exit_zero(host.proc, "the host to end")
            finally:
                host.remove()


def switches_that_end_at_once(build):
    with WineSession(build) as x:
        # A host that is gone leaves a handle that names no window.
        host = Host(x, "--close-after", 1)
        expect_exit_zero(host.proc, "the host to end")
        host.remove()
        cases = [["/C"], ["//s"], ["/p:1234"], ["/p"], ["/x"],
                 ["/p", "abc"], ["/p", "-1"], ["/p", "-4294967296"], ["/p", "0"], ["/p", "99999999999999999999999"],
                 ["/p", "4294967296"], ["/p", "1234"], ["/p", host.hwnd]]
        for args in cases:
            proc = x.saver(*args)
            expect_exit_zero(proc, f"kelvane.scr {' '.join(map(str, args))} to end at once")


def settings_mode_shows_its_message(build):
    with WineSession(build) as x:
        for args in ([], ["/c:4711"], ["-c"]):
            proc = x.saver(*args)
            # The message box takes its caption from the program's string 1.
            box = x.wait_for(lambda: alive(proc) and x.run(["xdotool", "search", "--onlyvisible", "--name", "^Kelvane$"],
                                                           check=False).stdout.split(),
                             START_TIMEOUT, f"the settings message of kelvane.scr {' '.join(args)}")
            x.xdotool("windowfocus", "--sync", box[0])
            x.key("Return")
            expect_exit_zero(proc, "settings mode to end when its message is closed")


class ProfiledCopy:
    """A copy of kelvane.scr under another name, which reads a profile of its own:
    %APPDATA%\\NAME.ini in the prefix, holding `contents`."""

    def __init__(self, session, name, contents):
        roaming = os.path.join(session.prefix, "drive_c", "users", getpass.getuser(), "AppData", "Roaming")
        os.makedirs(roaming, exist_ok=True)
        self.folder = tempfile.mkdtemp(prefix="kelvane-profiled-")
        self.program = os.path.join(self.folder, name + ".scr")
        shutil.copy(session.scr, self.program)
        self.profile = os.path.join(roaming, name + ".ini")
        with open(self.profile, "wb") as f:
            f.write(contents)

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        if os.path.exists(self.profile):
            os.remove(self.profile)


def profile_settings_reach_the_saver(build):
    with WineSession(build) as x:
        copy = ProfiledCopy(x, "kelvane-crowded", b"[Config-Ver102]\r\nCount=3000\r\nPixelRatio=20\r\n")
        try:
            proc = x.saver("/s", program=copy.program)
            # Thousands of big flakes whiten most of the screen; the hundred of the defaults never do.
            x.wait_for(lambda: alive(proc) and x.screenshot().count_white() > 0.5 * SCREEN[0] * SCREEN[1],
                       START_TIMEOUT, "the crowded snow of the profile")
        finally:
            copy.remove()


def hostile_profile_does_not_stop_the_saver(build):
    with WineSession(build) as x:
        copy = ProfiledCopy(x, "kelvane-hostile",
                            b"\xef\xbb\xbf[Config-Ver102]\r\nPeriod=0\r\nCount=4294967295\r\nPixelRatio=1e308\r\n"
                            b"DeltaTime=nan\r\nGravitation=-1e999\r\nResistance=inf\r\nFlutter=\x00\xff\xfe\r\n"
                            + b"Junk=" + b"x" * (1 << 20) + b"\r\n[Config-Ver102\r\n=\r\n")
        try:
            proc = x.saver("/s", program=copy.program)
            wid = x.wait_for(lambda: alive(proc) and x.full_screen_window(), START_TIMEOUT, "the full-screen window")
            x.wait_for_frames(proc, x.screenshot())
            x.xdotool("windowfocus", "--sync", wid)
            x.key("a")
            expect_exit_zero(proc, "the saver with a hostile profile to end after a key")
        finally:
            copy.remove()


def profile_store_on_windows(build):
    with WineSession(build) as x:
        folder = tempfile.mkdtemp(prefix="kelvane-profile-")
        try:
            result = x.run(["wine", os.path.join(x.build, "kelvane-profile-check.exe"), "Z:" + folder.replace("/", "\\")],
                           check=False, timeout=120)
            if result.returncode != 0:
                raise AssertionError(result.stdout + result.stderr)
        finally:
            shutil.rmtree(folder, ignore_errors=True)


def binary_is_self_contained(build):
    """kelvane.scr: one GUI file under 2 MB that imports only what Windows ships, with its resources."""
    scr = os.path.join(build, "kelvane.scr")
    assert os.path.getsize(scr) < 2 * 1024 * 1024, f"kelvane.scr has {os.path.getsize(scr)} bytes"
    headers = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", scr], capture_output=True, text=True, check=True).stdout
    assert "(Windows GUI)" in headers, "kelvane.scr is not a GUI program"
    dlls = {m.lower() for m in re.findall(r"DLL Name: (\S+)", headers)}
    shipped = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll", "msvcrt.dll", "advapi32.dll"}
    assert dlls and dlls <= shipped, f"kelvane.scr imports {sorted(dlls - shipped)}"

    rc = subprocess.run(["x86_64-w64-mingw32-windres", "-i", scr, "-O", "rc"], capture_output=True, text=True,
                        check=True).stdout
    for wanted in ("LANGUAGE 17, 1", '1, "Kelvane"', '101, "&About Saver..."', "128 14 /* RT_GROUP_ICON */",
                   "129 12 /* RT_GROUP_CURSOR */", "1 VERSIONINFO", "1 24 /* RT_MANIFEST */", "PerMonitorV2"):
        assert wanted in rc, f"the resources lack {wanted}"
    assert "LANGUAGE" not in rc.replace("LANGUAGE 17, 1", ""), "every resource is Japanese (0x0411)"

    # The icon: 32x32 and 16x16, 16 colours each.
    with open(os.path.join(SOURCE, "res", "kelvane.ico"), "rb") as f:
        ico = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", ico)
    entries = [struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i) for i in range(count)]
    assert (reserved, kind) == (0, 1) and sorted((e[0], e[1], e[2], e[5]) for e in entries) == [(16, 16, 16, 4), (32, 32, 16, 4)]
    # The cursor: 32x32 monochrome, hot spot 0,0, nothing drawn and everything see-through.
    with open(os.path.join(SOURCE, "res", "blank.cur"), "rb") as f:
        cur = f.read()
    _, kind, count = struct.unpack_from("<HHH", cur)
    width, height, _, _, hot_x, hot_y, size, offset = struct.unpack_from("<BBBBHHII", cur, 6)
    assert (kind, count, width, height, hot_x, hot_y) == (2, 1, 32, 32, 0, 0)
    header = struct.unpack_from("<IiiHH", cur, offset)
    assert header[1:] == (32, 64, 1, 1), header
    bits = cur[offset + 40 + 8:offset + size]
    assert bits[:128] == bytes(128) and bits[128:] == b"\xff" * 128, "the cursor must be fully transparent"


# Two monitors: RandR monitors side by side on one wide screen. Wine finds monitors through RandR's
# outputs (one here) unless told to ask Xinerama, which the server answers from RandR's monitors.

import xsession  # noqa: E402

WIDE = (1440, 600)
SECOND_X = (0, 0, 640, 480)       # left of the primary: Windows counts it from -640
PRIMARY_X = (640, 0, 1440, 600)
DESKTOP = 0x3366CC


class TwoMonitors:
    """Sets the wide session's monitors and makes its Wine prefix ask Xinerama for them; undone on exit."""

    def __init__(self, session):
        self.x = session

    def __enter__(self):
        xsession.set_monitors(self.x, [PRIMARY_X, SECOND_X])
        self.x.run(["xsetroot", "-solid", f"#{DESKTOP:06x}"])
        xsession.wine_monitors_from_xinerama(self.x, self.x.env, True)
        return self

    def __exit__(self, *exc):
        end_wine(self.x.env)
        xsession.wine_monitors_from_xinerama(self.x, self.x.env, False)

    def monitors_seen(self):
        """The monitors as the Windows back end finds them: left, top, right, bottom per line, primary first."""
        return self.x.run(["wine", os.path.join(self.x.build, "kelvane-monitors.exe")], timeout=120).stdout


def wide_session(build):
    session = WineSession(build)
    session.width, session.height = WIDE
    return session


def covered_with_moving_snow(x, proc, rects):
    """Waits for a window over each rect and snow moving there; then no desktop shows on any of them."""
    for rect in rects:
        x.wait_for(lambda: alive(proc) and x.windows_covering(rect), START_TIMEOUT, f"a window over the monitor {rect}")
        first = x.wait_for(lambda: alive(proc) and (lambda s: s if s.count_white(rect) > 0 else None)(x.screenshot()),
                           START_TIMEOUT, f"snow on the monitor {rect}")
        x.wait_for(lambda: alive(proc) and moved_in(x.screenshot(), first, rect), END_TIMEOUT,
                   f"the snow to move on the monitor {rect}")
    shot = x.screenshot()
    for rect in rects:
        assert shot.count_value(DESKTOP, rect) == 0, f"the desktop shows on the monitor {rect}"
        assert shot.count_other((0x000000, 0xFFFFFF), rect) == 0, f"not snow on black on the monitor {rect}"


def saver_covers_both_monitors_with_moving_snow(build):
    with wide_session(build) as x, TwoMonitors(x) as monitors:
        seen = monitors.monitors_seen()
        assert seen.split("\n")[:2] == ["0 0 800 600", "-640 0 0 480"], f"Wine sees the monitors as {seen!r}"
        proc = x.saver("/s")
        covered_with_moving_snow(x, proc, (PRIMARY_X, SECOND_X))
        wids = {(w["x"], w["y"], w["x"] + w["width"], w["y"] + w["height"]) for w in x.top_windows()}
        assert PRIMARY_X in wids and SECOND_X in wids, f"no window of exactly each monitor's size: {wids}"
        x.click(1)
        expect_exit_zero(proc, "the saver to end after a click")


def saver_ends_on_input_on_the_second_monitor(build):
    inside = (SECOND_X[0] + 100, SECOND_X[1] + 100)
    with wide_session(build) as x, TwoMonitors(x):
        for name in ("move", "click", "key"):
            x.mouse_move(*inside)
            proc = x.saver("/s")
            covered_with_moving_snow(x, proc, (PRIMARY_X, SECOND_X))
            if name == "move":
                x.mouse_move(inside[0] + 20, inside[1])
                try:
                    x.wait_for(lambda: proc.poll() is not None, END_TIMEOUT, "the saver to end after the pointer moved")
                except AssertionError:
                    # This Wine sent no report when the windows appeared: the move above was the first one.
                    x.mouse_move(inside[0] + 21, inside[1])
            elif name == "click":
                x.click(1)
            else:
                # Without a window manager nobody gives the primary's window the keyboard; a desktop would.
                primary = x.windows_covering(PRIMARY_X)[0]["id"]
                x.xdotool("windowfocus", "--sync", primary)
                x.key("a")
            expect_exit_zero(proc, f"the saver to end after a {name} on the second monitor")
            x.wait_for(lambda: not x.windows_covering(SECOND_X) and not x.windows_covering(PRIMARY_X), END_TIMEOUT,
                       "both saver windows to go")


CASES = {f.__name__: f for f in (
    binary_is_self_contained,
    prefix, saver_shows_moving_snow_full_screen, saver_ends_on_the_second_mouse_position, saver_ends_on_a_key,
    saver_ends_on_a_click, preview_fills_the_host_and_ends_with_it, preview_survives_a_host_that_goes_at_any_moment,
    switches_that_end_at_once, settings_mode_shows_its_message, profile_settings_reach_the_saver,
    hostile_profile_does_not_stop_the_saver,
    profile_store_on_windows,
    saver_covers_both_monitors_with_moving_snow, saver_ends_on_input_on_the_second_monitor)}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the Windows build folder, holding kelvane.scr")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    started = time.monotonic()
    CASES[args.case](args.build)
    print(f"{args.case}: passed in {time.monotonic() - started:.1f} s")


if __name__ == "__main__":
    main()
