#!/usr/bin/python3
"""Times Orbisca's start through its real windows on a private Xvfb display.

    /usr/bin/python3 bench/startup_window.py BUILD_DIR [--rounds N] [--orbisca PROGRAM]

(--orbisca times another build of the program, e.g. an older one, on the same schools.
--instructions also counts, under valgrind's callgrind, the instructions the program
runs from its start to its login window: a count that does not depend on how busy
the machine is. It takes about a minute a school.)

For the benchmarks' school of 10,080 students and for an empty school (made by
BUILD_DIR/bench/startup_bench --make FOLDER), each round:
  start   from starting the process to the login window (登录) being mapped;
  login   from pressing Enter (确定) in the login window to the main window
          answering again. The program is probed with a Shift key press, one at
          a time: Qt notes each key press in the window's _NET_WM_USER_TIME
          property from its event loop, so the property's change is the answer.
          Probing starts when the login window is gone; the window answers
          with the first probe, or from the end of the last stall after it (a
          probe answered after more than 10 ms).
Prints the best and the median of the rounds, and the goals as met or missed.
Beside each wall-clock time stands the processor time the program's threads
used in it (from /proc): on a busy machine the wall clock waits for a core,
the processor time much less.
Needs Debian's python3-xlib and xvfb.
"""
import argparse
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import Xlib.error
from Xlib import X, display
from Xlib.ext import xtest

START_GOAL = 0.080
LOGIN_GOAL = 0.050
STALL = 0.010


class Screen:
    def __init__(self):
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True,
                                     pass_fds=(w,))
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            if not select.select([r], [], [], 10)[0]:
                sys.exit("Xvfb did not start")
            chunk = os.read(r, 16)
            if not chunk:
                sys.exit("Xvfb did not start")
            number += chunk
        os.close(r)
        self.name = ":" + number.decode().strip()
        self.d = display.Display(self.name)
        self.root = self.d.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.d.sync()
        self.net_wm_name = self.d.intern_atom("_NET_WM_NAME")
        self.utf8 = self.d.intern_atom("UTF8_STRING")
        self.user_time = self.d.intern_atom("_NET_WM_USER_TIME")
        self.shift = self.d.keysym_to_keycode(0xFFE1)
        self.last_sent = 0.0
        self.last_time = 0
        self.mapped = []

    def stop(self):
        self.d.close()
        os.killpg(self.xvfb.pid, 15)
        self.xvfb.wait()

    def title(self, window):
        try:
            p = window.get_full_property(self.net_wm_name, self.utf8)
            if p is not None:
                v = p.value
                return v.decode("utf-8", "replace") if isinstance(v, bytes) else str(v)
            n = window.get_wm_name()
            return n if isinstance(n, str) else ""
        except Exception:
            return ""

    def events(self, timeout):
        """The events that arrive within `timeout` seconds, each with its arrival time."""
        out = []
        end = time.monotonic() + timeout
        while True:
            while self.d.pending_events():
                out.append((time.monotonic(), self.d.next_event()))
            left = end - time.monotonic()
            if left <= 0 or out:
                return out
            select.select([self.d.fileno()], [], [], left)

    def key(self, keycode):
        xtest.fake_input(self.d, X.KeyPress, keycode)
        xtest.fake_input(self.d, X.KeyRelease, keycode)
        self.d.flush()

    def probe(self, timeout=10.0):
        """Presses Shift; the time it was sent and the time the program noted it.
        The property holds the key event's server time: a change to an older
        time (a window shown) is not the answer, and probes are spaced so that
        each has a time of its own."""
        time.sleep(max(0.0, self.last_sent + 0.0015 - time.monotonic()))
        sent = self.last_sent = time.monotonic()
        self.key(self.shift)
        end = sent + timeout
        while time.monotonic() < end:
            for t, ev in self.events(end - time.monotonic()):
                if ev.type == X.MapNotify:
                    # A window the program opens meanwhile (a message) takes the keys.
                    self.mapped.append(self.title(ev.window))
                    try:
                        ev.window.change_attributes(event_mask=X.PropertyChangeMask)
                    except Xlib.error.XError:
                        pass
                if ev.type == X.PropertyNotify and ev.atom == self.user_time and ev.state == X.PropertyNewValue:
                    try:
                        p = ev.window.get_full_property(self.user_time, X.AnyPropertyType)
                    except Xlib.error.XError:
                        # The login window, gone since: it took this key press.
                        return sent, t
                    if p is not None and len(p.value) and p.value[0] > self.last_time:
                        self.last_time = p.value[0]
                        return sent, t
        sys.exit("the program did not answer a key press within %g s (windows opened: %s)"
                 % (timeout, ", ".join(self.mapped) or "none"))


def cpu_seconds(pid):
    """Processor time of all the threads of a process so far."""
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
    except OSError:
        pass
    return total / 1e9


def one_round(screen, program, folder):
    env = dict(os.environ, DISPLAY=screen.name, QT_QPA_PLATFORM="xcb", LANG="zh_CN.UTF-8")
    env.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
    t0 = time.monotonic()
    proc = subprocess.Popen([program], cwd=folder, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    login = main = None
    t_login = None
    try:
        while t_login is None:
            if proc.poll() is not None:
                sys.exit(f"Orbisca ended ({proc.returncode}) before its login window")
            if time.monotonic() - t0 > 20:
                sys.exit("no login window after 20 s")
            for t, ev in screen.events(0.5):
                if ev.type == X.MapNotify:
                    title = screen.title(ev.window)
                    if title == "登录":
                        login, t_login = ev.window, t
                        cpu_login = cpu_seconds(proc.pid)
                    elif title.endswith("Orbisca"):
                        main = ev.window
        if main is None:
            sys.exit("the main window was not mapped before the login")
        for w in (main, login):
            w.change_attributes(event_mask=X.PropertyChangeMask | X.StructureNotifyMask)
        screen.last_time = 0
        screen.mapped = []
        # Let the login window settle (focus, first paint) and make sure it answers.
        time.sleep(0.3)
        # With no window manager the focus falls back to the window under the
        # pointer once the login window is gone: the main window.
        xtest.fake_input(screen.d, X.MotionNotify, x=20, y=20)
        login.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
        screen.d.sync()
        screen.probe(5)
        cpu1 = cpu_seconds(proc.pid)
        t1 = time.monotonic()
        screen.key(screen.d.keysym_to_keycode(0xFF0D))   # Return: 确定
        # Probed only once the login window is gone, so that no probe goes to
        # a window on its way out.
        unmapped = None
        while unmapped is None:
            if time.monotonic() - t1 > 10:
                sys.exit("the login window did not close within 10 s")
            for t, ev in screen.events(1.0):
                if ev.type in (X.UnmapNotify, X.DestroyNotify) and ev.window.id == login.id:
                    unmapped = t
                    break
        answers = []
        while True:
            sent, got = screen.probe()
            answers.append((sent, got, cpu_seconds(proc.pid)))
            if got - t1 > 10:
                sys.exit("the main window did not answer steadily within 10 s (too busy a machine?)")
            # Done once the program has answered every probe promptly for 200 ms.
            if got - unmapped > 0.2:
                recent = [a for a in answers if a[0] > got - 0.2]
                if recent and all(g - s <= STALL for s, g, _ in recent):
                    break
        stalls = [(g, c) for s, g, c in answers if g - s > STALL]
        first = answers[0][1:]
        answered, cpu_answered = max(stalls + [first])
        return t_login - t0, answered - t1, cpu_login, cpu_answered - cpu1
    finally:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        # Let the windows go before the next round.
        screen.events(0.2)


def instructions_to_login(screen, program, folder):
    """Instructions from the start to the login window being mapped (callgrind)."""
    env = dict(os.environ, DISPLAY=screen.name, QT_QPA_PLATFORM="xcb", LANG="zh_CN.UTF-8")
    out = os.path.join(folder, "callgrind.out")
    proc = subprocess.Popen(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out, program],
                            cwd=folder, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        end = time.monotonic() + 300
        found = False
        while not found and time.monotonic() < end:
            if proc.poll() is not None:
                sys.exit("the program ended under callgrind")
            for _, ev in screen.events(0.5):
                if ev.type == X.MapNotify and screen.title(ev.window) == "登录":
                    found = True
        if not found:
            sys.exit("no login window under callgrind")
        proc.terminate()   # callgrind writes its counts as the program ends
        proc.wait(60)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        screen.events(0.2)
    for line in open(out):
        if line.startswith("summary:") or line.startswith("totals:"):
            return int(line.split()[1])
    sys.exit("callgrind counted nothing")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--orbisca", help="the program to time (default: BUILD_DIR/program/Orbisca)")
    ap.add_argument("--instructions", action="store_true", help="also count instructions to the login window")
    args = ap.parse_args()
    build = os.path.abspath(args.build)
    work = tempfile.mkdtemp(prefix="startup-window-")
    try:
        subprocess.run([os.path.join(build, "bench", "startup_bench"), "--make", work], check=True,
                       env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        screen = Screen()
        try:
            ok = True
            for school in ("school", "empty"):
                folder = os.path.join(work, school)
                program = os.path.join(folder, "Orbisca")
                shutil.copy2(args.orbisca or os.path.join(build, "program", "Orbisca"), program)
                one_round(screen, program, folder)   # warm the file cache
                rounds = [one_round(screen, program, folder) for _ in range(args.rounds)]
                name = "10,080 students" if school == "school" else "empty school"
                if args.instructions:
                    count = instructions_to_login(screen, program, folder)
                    print(f"{name:16s} {'start -> login window':30s} {count / 1e6:8.1f} million instructions")
                for what, i, goal in (("start -> login window", 0, START_GOAL),
                                      ("login -> main window answers", 1, LOGIN_GOAL)):
                    wall = [r[i] for r in rounds]
                    cpu = [r[i + 2] for r in rounds]
                    best = min(wall)
                    met = best <= goal
                    ok = ok and met
                    print(f"{name:16s} {what:30s} best {best * 1000:6.1f} ms  median "
                          f"{statistics.median(wall) * 1000:6.1f} ms  (processor {min(cpu) * 1000:6.1f} ms)  "
                          f"goal <= {goal * 1000:.0f} ms: {'met' if met else 'MISSED'}")
        finally:
            screen.stop()
        return 0 if ok else 2
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
