"""tansy RUN opens the run in frame Sp1; each view's "Data Table" and
"CopyData" put on the clipboard what `sorrel chrom --tic` and
`sorrel spectrum --apex` print for the same file, in the tables' number
formats (x to 3 and 4 decimals, 7 significant digits)."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tansy_e2e as e2e  # noqa: E402


def main():
    a = e2e.arguments()
    run_file = e2e.agilent_run(a)

    tic = e2e.table(subprocess.run([a.sorrel, "chrom", "--tic", run_file], check=True,
                                   capture_output=True, text=True).stdout)
    apex = e2e.table(subprocess.run([a.sorrel, "spectrum", "--apex", run_file], check=True,
                                    capture_output=True, text=True).stdout)

    s = e2e.Session(a.tansy, [run_file])
    try:
        frame = s.find("Sp1")
        s.set_clipboard("before")
        chrom_text = e2e.copy_view_table(s, s.find("Chromatogram", frame), "before")
        chrom = e2e.table(chrom_text)
        # The chromatogram in scans: row i is scan i with its total.
        if len(chrom) != len(tic):
            raise e2e.Failure("chromatogram: %d rows, sorrel %d" % (len(chrom), len(tic)))
        for i, (row, ref) in enumerate(zip(chrom, tic)):
            if row[0] != i or not e2e.close(row[1], ref[1], 0):
                raise e2e.Failure("chromatogram row %d: %s, sorrel %s" % (i, row, ref))

        mass = e2e.table(e2e.copy_view_table(s, s.find("Mass spectrum", frame), chrom_text))
        if len(mass) != len(apex):
            raise e2e.Failure("spectrum: %d rows, sorrel %d" % (len(mass), len(apex)))
        for i, (row, ref) in enumerate(zip(mass, apex)):
            if not e2e.close(row[0], ref[0], 0.5e-4 + 1e-9) or not e2e.close(row[1], ref[1], 0):
                raise e2e.Failure("spectrum row %d: %s, sorrel %s" % (i, row, ref))

        # Ctrl+W closes the active frame.
        s.xdotool("key", "--clearmodifiers", "ctrl+w")
        e2e.wait_for("Sp1 to close", lambda: s.tansy.poll() is None and not _has(s, "Sp1"))
        print("ok: %d chromatogram rows, %d spectrum rows as sorrel gives them"
              % (len(chrom), len(mass)))
    finally:
        s.close()


def _has(s, name):
    try:
        s.find(name, timeout=0.2)
        return True
    except e2e.Failure:
        return False


if __name__ == "__main__":
    e2e.run(main)
