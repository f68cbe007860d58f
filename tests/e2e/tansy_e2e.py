"""Drives the built tansy as a user would: on a private X server, found
through the accessibility bus (AT-SPI), with real mouse clicks and keys
(xdotool) and the real clipboard (xclip).

A session starts Xvfb on a free display, the accessibility bus in the
current D-Bus session (run the test under dbus-run-session), and tansy from
a scratch program directory that holds Config/ and Data/, so that no frame
asks for them. Every wait polls a condition with a time-out; nothing sleeps
a fixed time where a condition can be polled.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77  # CTest's SKIP_RETURN_CODE for the end-to-end tests


class Failure(Exception):
    pass


def wait_for(what, condition, timeout=30.0, interval=0.05):
    """Polls condition() until it returns something true; returns that."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure("timed out waiting for " + what)
        time.sleep(interval)


class Session:
    """tansy on a private X server. Its program directory holds Config/ and
    Data/ unless `program_dirs` is false; `prepare(program_dir)` may put
    files there (startup.ini, trainings) before tansy starts."""

    def __init__(self, tansy, files, screen="1600x1000x24", prepare=None, program_dirs=True):
        self.procs = []
        self.log = None
        self.tmp = tempfile.mkdtemp(prefix="tansy-e2e-")
        try:
            self._start(tansy, files, screen, prepare, program_dirs)
        except BaseException:
            self.close()
            raise

    def _start(self, tansy, files, screen, prepare, program_dirs):
        read_fd, write_fd = os.pipe()
        # -displayfd: the server picks a free display and says which;
        # -noreset: without it the server resets whenever its last client
        # leaves, and a client connecting then is refused.
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", screen, "-nolisten", "tcp",
             "-noreset"],
            pass_fds=[write_fd], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(xvfb)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        self.display = ":" + number
        os.environ["DISPLAY"] = self.display
        wait_for("the X server " + self.display, self._x_answers, timeout=30)
        self.env = dict(os.environ, DISPLAY=self.display, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                        QT_ACCESSIBILITY="1", LC_ALL="C.UTF-8",
                        XDG_RUNTIME_DIR=self.tmp, QT_QPA_PLATFORM="xcb")
        self.procs.append(subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env=self.env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        # The program from a directory of its own: Config/ and Data/ beside it.
        self.program_dir = os.path.join(self.tmp, "program")
        os.makedirs(self.program_dir)
        if program_dirs:
            os.makedirs(os.path.join(self.program_dir, "Config"))
            os.makedirs(os.path.join(self.program_dir, "Data"))
        if prepare:
            prepare(self.program_dir)
        exe = os.path.join(self.program_dir, "tansy")
        shutil.copy2(tansy, exe)
        import pyatspi  # after DISPLAY is set: it finds the bus through it
        self.pyatspi = pyatspi
        self.log = open(os.path.join(self.tmp, "tansy.log"), "w")
        self.tansy = subprocess.Popen([exe] + list(files), env=self.env, stdout=self.log,
                                      stderr=subprocess.STDOUT, cwd=self.tmp)
        self.procs.append(self.tansy)
        self.app = wait_for("tansy on the accessibility bus", self._find_app, timeout=60)

    def _x_answers(self):
        if self.procs[0].poll() is not None:
            raise Failure("Xvfb ended with status %d" % self.procs[0].returncode)
        r = subprocess.run(["xdotool", "getdisplaygeometry"], env=dict(os.environ),
                           capture_output=True, timeout=10)
        return r.returncode == 0

    def _find_app(self):
        if self.tansy.poll() is not None:
            raise Failure("tansy ended with status %d:\n%s" % (self.tansy.returncode,
                                                              self.log_text()))
        try:
            desktop = self.pyatspi.Registry.getDesktop(0)
            for app in desktop:
                if app is not None and app.get_process_id() == self.tansy.pid:
                    return app
        except Exception:
            return None
        return None

    def log_text(self):
        self.log.flush()
        with open(self.log.name, errors="replace") as f:
            return f.read()[-4000:]

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
        if self.log:
            self.log.close()
        shutil.rmtree(self.tmp, ignore_errors=True)

    # ---- the accessibility tree

    def find(self, name, root=None, role=None, timeout=30.0):
        """The first showing accessible called `name` under root (tables are
        not searched: they hold a child per cell)."""
        pyatspi = self.pyatspi

        def search(node, depth=0):
            if node is None or depth > 40:
                return None
            try:
                if node.name == name and (role is None or node.getRole() == role):
                    if node.getState().contains(pyatspi.STATE_SHOWING):
                        return node
                if node.getRole() in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE):
                    return None
                for child in node:
                    found = search(child, depth + 1)
                    if found is not None:
                        return found
            except Exception:
                return None
            return None

        return wait_for("'%s'" % name, lambda: search(root or self.app), timeout=timeout)

    def click(self, node):
        """A real click at the middle of the control."""
        e = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        x, y = e.x + e.width // 2, e.y + e.height // 2
        self.xdotool("mousemove", "--sync", str(x), str(y))
        self.xdotool("click", "1")

    def checked(self, node):
        return node.getState().contains(self.pyatspi.STATE_CHECKED)

    def enabled(self, node):
        return node.getState().contains(self.pyatspi.STATE_ENABLED)

    def main_window(self, timeout=30.0):
        """The main window (its accessible name is its caption)."""
        def search():
            try:
                for w in self.app:
                    if w is not None and w.name.startswith("Sorrel v2.1"):
                        return w
            except Exception:
                return None
            return None
        return wait_for("the main window", search, timeout=timeout)

    def main_window_id(self):
        """The X window of the main window."""
        ids = subprocess.run(["xdotool", "search", "--pid", str(self.tansy.pid), "--name",
                              "^Sorrel v2.1"], env=self.env, capture_output=True,
                             text=True).stdout.split()
        if not ids:
            raise Failure("no main window on the X server")
        return ids[0]

    def focus_main_window(self):
        """Gives the main window the keyboard, as a window manager would when
        a dialog over it closes (there is none on this X server)."""
        self.xdotool("windowfocus", "--sync", self.main_window_id())

    def menu(self, *path):
        """Opens the menus of `path` from the menu bar with real clicks and
        answers the last item (not clicked)."""
        node = self.find(path[0], self.main_window())
        for name in path[1:]:
            self.click(node)
            node = self.find(name)
        return node

    def showing(self, name):
        """Whether a control called `name` shows now."""
        try:
            self.find(name, timeout=0.2)
            return True
        except Failure:
            return False

    def wait_exit(self, timeout=30.0):
        """Waits for tansy to end; answers its exit status."""
        wait_for("tansy to end", lambda: self.tansy.poll() is not None, timeout=timeout)
        return self.tansy.returncode

    # ---- keys and the clipboard

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + list(args), env=self.env, check=True)

    def clipboard(self):
        r = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.env,
                           capture_output=True, timeout=10)
        return r.stdout.decode("utf-8", "replace") if r.returncode == 0 else ""

    def set_clipboard(self, text):
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], input=text.encode(),
                       env=self.env, check=True, timeout=10)


def write_startup(program_dir, training):
    """startup.ini in the program directory, remembering `training`: tansy
    starts on it with its spectra in frames."""
    with open(os.path.join(program_dir, "startup.ini"), "w", newline="") as f:
        f.write("[Target]\r\nTraining=%s\r\n" % training)


def remembering(training):
    """A Session's `prepare` that writes startup.ini remembering `training`."""
    return lambda program_dir: write_startup(program_dir, training)


def ini_sections(path):
    """The sections of an INI file the program wrote (CR LF lines) as
    {name: {key: value}}, in file order."""
    sections = {}
    current = None
    with open(path, encoding="utf-8", newline="") as f:
        for line in f.read().split("\r\n"):
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1], {})
            elif "=" in line and current is not None:
                key, value = line.split("=", 1)
                current[key] = value
    return sections


def expect(what, got, want):
    if got != want:
        raise Failure("%s: %r, expected %r" % (what, got, want))


def copy_view_table(s, view, previous):
    """A view's "Data Table", then "CopyData": the clipboard's text once it
    differs from `previous`; then back to the chart."""
    button = s.find("Data Table", view)
    s.click(button)
    wait_for("the table of " + view.name, lambda: s.checked(button))
    s.click(s.find("CopyData", view))
    text = wait_for("the copy of " + view.name,
                    lambda: (lambda t: t if t and t != previous else None)(s.clipboard()))
    s.click(button)
    wait_for("the chart of " + view.name, lambda: not s.checked(button))
    return text


def table(text):
    """Lines of tab-separated numbers."""
    rows = []
    for line in text.replace("\r\n", "\n").strip("\n").split("\n"):
        rows.append([float(v) for v in line.split("\t")])
    return rows


def arguments():
    """The arguments CTest gives every end-to-end test: --tansy, --sorrel
    and --data (../shared/data)."""
    import argparse
    p = argparse.ArgumentParser()
    p.add_argument("--tansy", required=True)
    p.add_argument("--sorrel")
    p.add_argument("--data")
    return p.parse_args()


def agilent_run(a):
    """The Agilent GC/MS run of ../shared/data (--data); the test is skipped
    where it is missing."""
    if not a.data or not a.sorrel:
        raise Failure("--data and --sorrel are needed")
    run_file = os.path.join(a.data, "netcdf/cheminfo-netcdf-gcms/agilent-gcms.cdf")
    if not os.path.exists(run_file):
        print("SKIP: %s is missing (../shared/data)" % run_file)
        sys.exit(SKIP)
    return run_file


def close(a, b, abs_tol, rel_tol=5e-7):
    """a equals b within abs_tol plus rel_tol of b."""
    return abs(a - b) <= abs_tol + rel_tol * abs(b)


def run(main):
    """Runs main() and turns its outcome into the process status."""
    try:
        main()
    except Failure as e:
        print("FAIL:", e, file=sys.stderr)
        sys.exit(1)
    sys.exit(0)
