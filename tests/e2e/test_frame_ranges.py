"""Ranges marked with the mouse, as a user marks them, give what `sorrel`
computes for the same ranges. tansy RUN, the chromatogram in seconds (its
Visual page), range mode, a drag over the chromatogram: the range lands in
the grid "Chromatogram ranges", and the mass view's data table holds what
`sorrel spectrum --range` prints for it. Then range mode on the mass view
and a drag over the spectrum: the range lands in "Mass ranges", and the
chromatogram's data table holds what `sorrel chrom --sic` prints."""

import math
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tansy_e2e as e2e  # noqa: E402


def sorrel(exe, *args):
    return e2e.table(subprocess.run([exe] + list(args), check=True, capture_output=True,
                                    text=True).stdout)


def written(v):
    """v as the grid writes it: 7 significant digits."""
    return float("%.7g" % v)


def half_unit(v):
    """Half a unit of the 7th significant digit of v: a grid cell written
    as v stands for every value within it."""
    return 0.0 if v == 0 else 0.5 * 10 ** (math.floor(math.log10(abs(v))) - 6)


def drag(s, node, start, end):
    """A left-button drag across the middle of a chart, from `start` to
    `end` (fractions of the plotting area's width)."""
    e = node.queryComponent().getExtents(s.pyatspi.DESKTOP_COORDS)
    left, right = e.x + 70, e.x + e.width - 15
    y = e.y + e.height // 2
    x0, x1 = left + int((right - left) * start), left + int((right - left) * end)
    s.xdotool("mousemove", "--sync", str(x0), str(y))
    s.xdotool("mousedown", "1")
    for i in range(1, 9):
        s.xdotool("mousemove", "--sync", str(x0 + (x1 - x0) * i // 8), str(y))
    s.xdotool("mouseup", "1")


def grid_row(s, grid):
    """The first range of a ranges grid: start, end and weight texts."""
    table = grid.queryTable()
    return [table.getAccessibleAt(0, c).name for c in range(3)]


def main():
    a = e2e.arguments()
    run_file = e2e.agilent_run(a)
    times = [row[0] for row in sorrel(a.sorrel, "chrom", "--tic", run_file)]

    s = e2e.Session(a.tansy, [run_file])
    try:
        frame = s.find("Sp1")
        chrom = s.find("Chromatogram", frame)
        mass = s.find("Mass spectrum", frame)

        # The chromatogram in seconds, in range mode; a range over the
        # peaks around 16 % of the run.
        s.click(s.find("Chromatogram pages", frame))
        pages = s.find("Chromatogram properties", frame)
        s.click(s.find("sec", pages))
        s.click(s.find("Range mode", chrom))
        drag(s, s.find("Chromatogram chart", frame), 0.14, 0.19)
        s.click(s.find("Ret.time", frame, role=s.pyatspi.ROLE_PAGE_TAB))
        grid = s.find("Chromatogram ranges", frame)
        start, end, weight = e2e.wait_for(
            "a range in the grid", lambda: (lambda r: r if r[0] and r[1] else None)(
                grid_row(s, grid)))
        if weight != "1":
            raise e2e.Failure("weight %r" % weight)
        # The scans the range holds: those whose time the grid writes
        # within it. sorrel gets the midpoints to their neighbours, so that
        # the range holds exactly them.
        inside = [i for i, t in enumerate(times) if float(start) <= written(t) <= float(end)]
        if len(inside) < 10:
            raise e2e.Failure("range %s .. %s holds %d scans" % (start, end, len(inside)))
        first, last = inside[0], inside[-1]
        lo = (times[first - 1] + times[first]) / 2 if first > 0 else times[first] - 1
        hi = (times[last] + times[last + 1]) / 2 if last + 1 < len(times) else times[last] + 1
        expected = sorrel(a.sorrel, "spectrum", run_file, "--range", "%r:%r" % (lo, hi))
        s.set_clipboard("before")
        summed = e2e.table(e2e.copy_view_table(s, mass, "before"))
        if len(summed) != len(expected):
            raise e2e.Failure("spectrum: %d rows, sorrel %d" % (len(summed), len(expected)))
        for i, (row, ref) in enumerate(zip(summed, expected)):
            if not e2e.close(row[0], ref[0], 0.5e-4) or not e2e.close(row[1], ref[1], 0):
                raise e2e.Failure("spectrum row %d: %s, sorrel %s" % (i, row, ref))

        # Range mode on the mass view: a range over its sticks makes the
        # chromatogram the ion chromatogram of those masses.
        s.click(s.find("Range mode", mass))
        drag(s, s.find("Mass spectrum chart", frame), 0.30, 0.45)
        s.click(s.find("Mass spectrum pages", frame))
        s.click(s.find("SIC", frame, role=s.pyatspi.ROLE_PAGE_TAB))
        mgrid = s.find("Mass ranges", frame)
        mstart, mend, _ = e2e.wait_for(
            "a mass range in the grid", lambda: (lambda r: r if r[0] and r[1] else None)(
                grid_row(s, mgrid)))
        if mend == "-":  # a single mass: the unit around it
            lo, hi = float(mstart) - 0.5 + 1e-9, float(mstart) + 0.5 - 1e-9
        else:
            lo = float(mstart) - half_unit(float(mstart))
            hi = float(mend) + half_unit(float(mend))
        sic = sorrel(a.sorrel, "chrom", run_file, "--sic", "%r:%r" % (lo, hi))
        shown = e2e.table(e2e.copy_view_table(s, chrom, s.clipboard()))
        if len(shown) != len(sic):
            raise e2e.Failure("chromatogram: %d rows, sorrel %d" % (len(shown), len(sic)))
        if not any(row[1] > 0 for row in sic):
            raise e2e.Failure("the ion chromatogram of %s .. %s is empty" % (mstart, mend))
        for i, (row, ref) in enumerate(zip(shown, sic)):
            if not e2e.close(row[0], ref[0], 0.5e-3) or not e2e.close(row[1], ref[1], 0):
                raise e2e.Failure("chromatogram row %d: %s, sorrel %s" % (i, row, ref))
        print("ok: %s .. %s s (%d scans) summed to %d masses as sorrel sums them; "
              "m/z %s .. %s gives sorrel's ion chromatogram"
              % (start, end, len(inside), len(summed), mstart, mend))
    finally:
        s.close()


if __name__ == "__main__":
    e2e.run(main)
