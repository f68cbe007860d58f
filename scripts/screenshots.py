"""Makes the screenshots of docs/ from the real program, on a private X
server, driven with the mouse as a user would: the main window as
scripts/run first shows it (the naphthalene example training with its
spectra in frames; --shots main), its workbench's result pages (--shots
workbench), the example training list run on an example unknown on the
Survey page (--shots batch), tansy on the Agilent GC/MS run of
../shared/data (--shots frame), and Screen Run on that run (--shots
screen). Run through scripts/screenshots, which
runs each set in a session of its own."""

import argparse
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import tansy_e2e as e2e  # noqa: E402

RUN = os.path.join(ROOT, "..", "shared", "data", "netcdf", "cheminfo-netcdf-gcms",
                   "agilent-gcms.cdf")


def settle(s, wait=0.5):
    """The chart redraws on its next event loop turn; give the X server the
    frame before it is read."""
    subprocess.run(["xdotool", "sync"], env=s.env, capture_output=True)
    time.sleep(wait)


def shoot(s, window, out, name, wait=0.5):
    """The X window `window` as the picture out/name."""
    settle(s, wait)
    path = os.path.join(out, name)
    subprocess.run(["import", "-window", window, path], env=s.env, check=True)
    print("wrote", path)


def place_main_window(s):
    """The main window at the top left, 1400 x 900; its X window."""
    wid = s.main_window_id()
    s.xdotool("windowsize", "--sync", wid, "1400", "900")
    s.xdotool("windowmove", "--sync", wid, "0", "0")
    return wid


class Shots:
    def __init__(self, session, out):
        self.s = session
        self.out = out
        self.frame = session.find("Sp1")
        ids = subprocess.run(["xdotool", "search", "--pid", str(session.tansy.pid), "--name",
                              "Sorrel"], env=session.env, capture_output=True,
                             text=True).stdout.split()
        if not ids:
            raise e2e.Failure("no main window")
        self.window = ids[0]
        session.xdotool("windowsize", "--sync", self.window, "1400", "900")
        session.xdotool("windowmove", "--sync", self.window, "0", "0")
        self.chrom = self.box("Chromatogram chart")

    def box(self, name):
        node = self.s.find(name, self.frame)
        e = node.queryComponent().getExtents(self.s.pyatspi.DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    def settle(self):
        settle(self.s)

    def take(self, name):
        shoot(self.s, self.window, self.out, name)

    def drag(self, x0, y0, x1, y1):
        s = self.s
        s.xdotool("mousemove", "--sync", str(x0), str(y0))
        s.xdotool("mousedown", "1")
        steps = 8
        for i in range(1, steps + 1):
            s.xdotool("mousemove", "--sync", str(x0 + (x1 - x0) * i // steps),
                      str(y0 + (y1 - y0) * i // steps))
        s.xdotool("mouseup", "1")

    def drag_across(self, chart, axis_width, start, end):
        """A drag at half height over a chart's plot area (right of its left
        axis, axis_width pixels wide) from start to end, in thousandths of
        the plot area's width."""
        x, y, w, h = self.box(chart)
        left, right = x + axis_width, x + w - 15
        self.drag(left + (right - left) * start // 1000, y + h // 2,
                  left + (right - left) * end // 1000, y + h // 2)

    def click_at(self, x, y):
        self.s.xdotool("mousemove", "--sync", str(x), str(y))
        self.s.xdotool("click", "1")


def on_example_training(tansy, files):
    """tansy started on the example training of naphthalene (its six
    spectra in frames, as scripts/run first starts), with `files` opened
    after them."""
    return e2e.Session(tansy, files, prepare=e2e.remembering(
        os.path.join(ROOT, "examples", "trainings", "naphthalene.trn")))


def main_window(tansy, out):
    """The main window on its first start by scripts/run: startup.ini names
    the example training of naphthalene, whose six spectra open in frames."""
    s = on_example_training(tansy, [])
    try:
        window = s.main_window()
        e2e.wait_for("the training", lambda: window.name.endswith("naphthalene.trn"))
        s.find("Sp6", window)
        wid = place_main_window(s)
        # The apex scan of the peak.
        s.click(s.find("Sp3", window, role=s.pyatspi.ROLE_PAGE_TAB))
        shoot(s, wid, out, "main-window.png")
    finally:
        s.close()


def screen_run(tansy, out):
    """Screen Run on the Survey page: tansy on the example training of
    naphthalene with the Agilent run active, screened against the example
    list; the last hit (the naphthalene peak) chosen in the hit list, so
    that the frame sums its ranges."""
    trl = os.path.join(ROOT, "examples", "trainings", "agilent-gcms.trl")
    s = on_example_training(tansy, [os.path.abspath(RUN)])
    try:
        window = s.main_window()
        s.find("Sp7", window, role=s.pyatspi.ROLE_PAGE_TAB)
        wid = place_main_window(s)
        s.click(s.menu("PCA", "Survey"))
        s.click(s.find("Screen Run", window, role=s.pyatspi.ROLE_CHECK_BOX))
        s.find("Screen against a training list or a training")
        s.xdotool("type", "--delay", "5", trl)
        s.xdotool("key", "Return")
        copy = s.find("Copy Hits", window)
        e2e.wait_for("the hits", lambda: s.enabled(copy))
        # The naphthalene peak's row, clicked.
        tree = s.find("Hit list", window)
        cell = e2e.wait_for("the naphthalene hit", lambda: next(
            (c for c in tree if c is not None and c.name == "Naphthalene"), None))
        s.click(cell)
        shoot(s, wid, out, "screen-run.png", wait=1.0)
    finally:
        s.close()


def workbench(tansy, out):
    """The workbench on the example training of naphthalene: Calculate PC's
    (F9), then every result page as a chemist looks at it, and the PCA
    options dialog of Save Training."""
    s = on_example_training(tansy, [])
    try:
        window = s.main_window()
        e2e.wait_for("the training", lambda: window.name.endswith("naphthalene.trn"))
        s.find("Sp6", window)
        wid = place_main_window(s)
        s.focus_main_window()
        s.xdotool("key", "F9")
        results = s.find("Results", window)

        def take(name, window_id=wid):
            shoot(s, window_id, out, name, wait=0.8)

        for page, name in [("Loadings", "loadings"), ("Rebuild Sp", "rebuild"),
                           ("M.Dist", "mdist"), ("Eigen Values", "eigenvalues"),
                           ("Scores", "scores"), ("Compact", "compact")]:
            s.click(s.find(page, results, role=s.pyatspi.ROLE_PAGE_TAB))
            s.find(page, results, role=s.pyatspi.ROLE_PAGE_TAB)
            take("workbench-%s.png" % name)

        s.click(s.find("Save Training", window, role=s.pyatspi.ROLE_PUSH_BUTTON))
        dialog = e2e.wait_for("the options dialog", lambda: next(
            (w for w in s.app if w is not None and w.name.startswith("PCA Options ")), None))
        ids = e2e.wait_for("the dialog on the X server", lambda: subprocess.run(
            ["xdotool", "search", "--all", "--onlyvisible", "--pid", str(s.tansy.pid), "--name",
             "^PCA Options "], env=s.env, capture_output=True, text=True).stdout.split())
        time.sleep(1.0)
        # The dialog alone: the largest visible window of that name (the
        # toolkit keeps a small frame-less one beside it).
        def size(w):
            g = subprocess.run(["xdotool", "getwindowgeometry", w], env=s.env,
                               capture_output=True, text=True).stdout
            dims = [ln.split()[-1] for ln in g.splitlines() if "Geometry" in ln]
            x, y = (int(v) for v in dims[0].split("x")) if dims else (0, 0)
            return x * y
        take("pca-options.png", max(ids, key=size))
        s.click(s.find("Cancel", dialog, role=s.pyatspi.ROLE_PUSH_BUTTON))
    finally:
        s.close()


def batch_classification(tansy, out):
    """The Survey page: the example list opened through the file dialog and
    run on an example unknown of the peak at 399 s (the active frame)."""
    trainings = os.path.join(ROOT, "examples", "trainings")
    trl = os.path.join(trainings, "agilent-gcms.trl")
    s = on_example_training(tansy, [os.path.join(trainings, "rt399-2.txt")])
    try:
        window = s.main_window()
        s.find("Sp7", window, role=s.pyatspi.ROLE_PAGE_TAB)
        wid = place_main_window(s)
        s.click(s.menu("PCA", "Survey"))
        s.click(s.find("Open List", window))
        s.find("Open Traning List (type a new name to create a new list)")
        s.xdotool("type", "--delay", "5", trl)
        s.xdotool("key", "Return")
        tree = s.find("Classification results", window)
        e2e.wait_for("the list's rows", lambda: tree.childCount >= 3 * 5)
        s.click(s.find("Run", window))
        e2e.wait_for("the answers", lambda: any(c is not None and c.name == "Yes" for c in tree))
        # The pointer out of the way.
        s.xdotool("mousemove", "--sync", "1390", "890")
        shoot(s, wid, out, "batch-classification.png")
    finally:
        s.close()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--tansy", default=os.path.join(ROOT, "build", "bin", "tansy"))
    p.add_argument("--out", default=os.path.join(ROOT, "docs"))
    p.add_argument("--shots", choices=["main", "frame", "screen", "workbench", "batch"],
                   default="frame")
    a = p.parse_args()
    os.makedirs(a.out, exist_ok=True)
    if a.shots == "main":
        main_window(a.tansy, a.out)
        return
    if a.shots == "workbench":
        workbench(a.tansy, a.out)
        return
    if a.shots == "batch":
        batch_classification(a.tansy, a.out)
        return
    if not os.path.exists(RUN):
        raise e2e.Failure(RUN + " is missing")
    if a.shots == "screen":
        screen_run(a.tansy, a.out)
        return
    os.makedirs(a.out, exist_ok=True)
    s = e2e.Session(a.tansy, [os.path.abspath(RUN)])
    try:
        shots = Shots(s, a.out)
        shots.take("plot-frame.png")

        # Zoom into the first part of the run (a rectangle drawn with the
        # mouse), scale the left axis to what is seen (Auto Y), and double
        # click beside a peak: the cursor climbs to its top and the mass view
        # shows that scan.
        x, y, w, h = shots.chrom
        left, right = x + 62, x + w - 15
        shots.drag(left + 2, y + 40, left + (right - left) * 19 // 100, y + h - 60)
        chrom_view = s.find("Chromatogram", shots.frame)
        s.click(s.find("Auto Y", chrom_view))
        px, py = left + (right - left) * 572 // 1000, y + h // 2
        s.xdotool("mousemove", "--sync", str(px), str(py))
        s.xdotool("click", "--repeat", "2", "--delay", "80", "1")
        mass = shots.box("Mass spectrum chart")
        # The nearest-point readout of the mass view, at the largest stick.
        shots.s.xdotool("mousemove", "--sync", str(mass[0] + mass[2] // 2), str(mass[1] + 150))
        shots.take("plot-frame-zoom.png")

        # Range mode: a peak dragged out on the chromatogram; the mass view
        # shows the sum of its scans. The ranges grid beside the view.
        s.click(s.find("Range mode", chrom_view))
        s.click(s.find("Chromatogram pages", shots.frame))
        s.click(s.find("Ret.time", shots.frame, role=s.pyatspi.ROLE_PAGE_TAB))
        for start, end in ((565, 590), (625, 645)):
            shots.drag_across("Chromatogram chart", 62, start, end)
        shots.take("plot-frame-ranges.png")

        # A peak and the background after it: "Clear", the peak at scan 415
        # dragged out, and two background ranges typed after it with the
        # weight -1 (a background before the peak would be clamped at 0
        # before the peak is added). Peak labels on the mass view (its
        # "Peaks" button: the adaptive method).
        pages = s.find("Chromatogram properties", shots.frame)
        s.click(s.find("Clear", pages))
        shots.drag_across("Chromatogram chart", 62, 368, 382)
        grid = s.find("Chromatogram ranges", shots.frame)
        table = grid.queryTable()
        end = e2e.wait_for("the peak's range",
                           lambda: table.getAccessibleAt(0, 1).name or None)
        last = int(float(end))
        cell = table.getAccessibleAt(1, 0).queryComponent().getExtents(
            s.pyatspi.DESKTOP_COORDS)
        shots.click_at(cell.x + cell.width // 2, cell.y + cell.height // 2)
        for row, (a, b) in enumerate(((last + 4, last + 12), (last + 13, last + 21))):
            keys = "%d\t%d\t-1" % (a, b)
            s.xdotool("type", "--delay", "40", keys)
            s.xdotool("key", "Return" if row == 1 else "Tab")
        s.click(s.find("Peaks", s.find("Mass spectrum", shots.frame)))
        shots.take("plot-frame-background.png")

        # Range mode on the mass view: a range over the strongest sticks,
        # and the chromatogram becomes their ion chromatogram.
        mass_view = s.find("Mass spectrum", shots.frame)
        s.click(s.find("Range mode", mass_view))
        shots.drag_across("Mass spectrum chart", 80, 395, 420)
        s.click(s.find("Mass spectrum pages", shots.frame))
        s.click(s.find("SIC", shots.frame, role=s.pyatspi.ROLE_PAGE_TAB))
        s.click(s.find("Expand", chrom_view))
        shots.take("plot-frame-sic.png")

        # The 3D page: Files, Properties, "3D": the run's waterfall.
        s.click(s.find("Common pages", shots.frame))
        s.click(s.find("Properties", shots.frame, role=s.pyatspi.ROLE_PAGE_TAB))
        s.click(s.find("3D", shots.frame))
        s.find("Waterfall chart", shots.frame)
        shots.take("plot-frame-3d.png")
    finally:
        s.close()


if __name__ == "__main__":
    e2e.run(main)
