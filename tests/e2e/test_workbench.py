"""The PCA workbench on a training of eight real spectra (six of the
naphthalene peak and two of the peak at 625.7 s of the example run)
remembered in startup.ini and not yet calculated: F9 calculates, and
Edit > Copy Data on "Loadings", "Eigen Values", "M.Dist" and "Compact"
gives what `sorrel pca --cv 5 --compact` gives for the same spectra (the
loading scaled by the square root of its eigenvalue, as the page draws
it); Save Training through the PCA options dialog writes the [PCA] section
that `sorrel train` writes."""

import math
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tansy_e2e as e2e  # noqa: E402

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples",
                        "trainings")
SPECTRA = ["naphthalene-%d.txt" % i for i in range(1, 7)] + ["rt626-1.txt", "rt626-2.txt"]


def sorrel_output(sorrel, args, cwd):
    r = subprocess.run([sorrel] + args, cwd=cwd, capture_output=True, text=True, timeout=120)
    if r.returncode != 0:
        raise e2e.Failure("sorrel %s: %s" % (" ".join(args), r.stderr))
    return r.stdout


def cli_sections(text):
    """The tables of `sorrel pca` output: {"# name": [rows of fields]}."""
    sections, current = {}, None
    for line in text.splitlines():
        if line.startswith("# "):
            current = sections.setdefault(line.split(" (")[0], [])
        elif current is not None:
            current.append(line.split("\t"))
    return sections


def close_to(what, got, want):
    """Two tables of numbers equal to 15 significant digits."""
    if len(got) != len(want):
        raise e2e.Failure("%s: %d lines, expected %d" % (what, len(got), len(want)))
    scale = max(abs(v) for row in want for v in row) or 1.0
    for i, (g, w) in enumerate(zip(got, want)):
        if len(g) != len(w) or any(not math.isclose(a, b, rel_tol=2e-14, abs_tol=scale * 1e-14)
                                   for a, b in zip(g, w)):
            raise e2e.Failure("%s line %d: %r, expected %r" % (what, i + 1, g, w))


def main():
    a = e2e.arguments()
    sets = []

    def prepare(program_dir):
        work = os.path.join(program_dir, "Data", "work")
        os.makedirs(work)
        for n in SPECTRA:
            shutil.copy(os.path.join(EXAMPLES, n), os.path.join(work, n))
        lines = ["[General]", "DefaultTml=", "Compound=Naphthalene", "NLoadings=5",
                 "Calculated=0", "PositID=1", "PossibID=3", "PrecPower=3", "",
                 "[Preprocess]", "LowBound=0", "HighBound=0", "Normalize=0", "IncSens=0", "",
                 "[LoadedSpec]"] + ["%d=%s" % (i + 1, n) for i, n in enumerate(SPECTRA)]
        with open(os.path.join(work, "eight.trn"), "w", newline="") as f:
            f.write("\r\n".join(lines) + "\r\n")
        e2e.write_startup(program_dir, os.path.join(work, "eight.trn"))
        sets.append(work)

    s = e2e.Session(a.tansy, [], prepare=prepare)
    try:
        work = sets[0]
        window = s.main_window()
        s.find("Sp8", window)
        s.focus_main_window()
        s.xdotool("key", "F9")
        results = s.find("Results", window)

        cli = cli_sections(sorrel_output(a.sorrel, ["pca", "--cv", "5", "--compact"] + SPECTRA,
                                         work))
        eig = [float(r[1]) for r in cli["# eigenvalues"][1:]]
        loadings = cli["# loadings"][1:]
        want = {
            "Loadings": [[float(r[0]), math.sqrt(eig[0]) * float(r[1])] for r in loadings],
            "Eigen Values": [[k + 1.0, v] for k, v in enumerate(eig)],
            "M.Dist": [[float(i), float(r[1])] for i, r in enumerate(cli["# mdist"][1:])],
            "Compact": [[float(r[0]), float(r[1])] for r in cli["# compact"][1:]],
        }
        e2e.expect("eigenvalues", len(eig), 5)
        e2e.expect("M.Dist points", len(want["M.Dist"]), 8)

        for page in ["Loadings", "Eigen Values", "M.Dist", "Compact"]:
            s.click(s.find(page, results, role=s.pyatspi.ROLE_PAGE_TAB))
            e2e.wait_for("the chart " + page, lambda: s.showing(page))
            s.set_clipboard("-")
            s.click(s.menu("Edit", "Copy Data"))
            text = e2e.wait_for("the data of " + page,
                                lambda: (lambda t: t if t and t != "-" else None)(s.clipboard()),
                                timeout=120)
            if "," in text or not text.endswith("\n") or "\r" in text:
                raise e2e.Failure("%s: not lines of x<TAB>y<LF> with '.': %r" % (page, text[:80]))
            close_to(page, e2e.table(text), want[page])

        # Save Training: the options dialog shows the training's compound;
        # its OK writes the file.
        s.click(s.find("Save Training", window, role=s.pyatspi.ROLE_PUSH_BUTTON))
        dialog = e2e.wait_for("the options dialog", lambda: next(
            (w for w in s.app if w is not None and w.name.startswith("PCA Options ")), None))
        e2e.expect("the dialog's caption", dialog.name,
                   "PCA Options " + os.path.join(work, "eight.trn"))
        compound = s.find("Compound/Substance", dialog, role=s.pyatspi.ROLE_TEXT)
        e2e.expect("the compound", compound.queryText().getText(0, -1), "Naphthalene")
        s.click(s.find("OK", dialog, role=s.pyatspi.ROLE_PUSH_BUTTON))
        training = os.path.join(work, "eight.trn")
        e2e.wait_for("the training written",
                     lambda: "PCA" in e2e.ini_sections(training), timeout=60)

        ref = os.path.join(s.program_dir, "ref")
        os.makedirs(ref)
        for n in SPECTRA:
            shutil.copy(os.path.join(work, n), os.path.join(ref, n))
        sorrel_output(a.sorrel, ["train", "ref.trn", "--compound", "Naphthalene", "--ppid", "1",
                                 "--pnid", "3", "--loadings", "5"] + SPECTRA, ref)
        got = e2e.ini_sections(training)
        made = e2e.ini_sections(os.path.join(ref, "ref.trn"))
        e2e.expect("[PCA]", got["PCA"], made["PCA"])
        e2e.expect("[Preprocess]", got["Preprocess"], made["Preprocess"])
        e2e.expect("Calculated", got["General"]["Calculated"], "1")
        print("ok: the four pages copy what sorrel pca gives; Save Training wrote the [PCA] "
              "of sorrel train (%d masses)" % int(got["PCA"]["NPoints"]))
    finally:
        s.close()


if __name__ == "__main__":
    e2e.run(main)
