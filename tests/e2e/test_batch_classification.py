"""Batch classification as a user does it: tansy starts on the example
training of naphthalene (six frames) with an example unknown of the peak at
399 s given on the command line (the active frame); PCA > Survey shows the
batch frame, " Open List" opens the real file dialog, where the list's path
is typed; Run classifies the active spectrum and "  Copy" puts, for the
checked rows only, what `sorrel classify LIST.trl SPECTRUM` answers on the
clipboard."""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tansy_e2e as e2e  # noqa: E402

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples",
                        "trainings")


def cells(s, tree):
    """The names of the result list's cells, row after row."""
    names = []
    try:
        for child in tree:
            if child is not None:
                names.append(child.name)
    except Exception:
        return []
    # The column headers come first.
    return names[3:] if names[:3] == ["Compound", "Answer", "Score"] else []


def main():
    a = e2e.arguments()
    if not a.sorrel:
        raise e2e.Failure("--sorrel is needed")
    sets = os.path.join(tempfile.mkdtemp(prefix="tansy-e2e-sets-"), "sets")
    shutil.copytree(EXAMPLES, sets)
    trl = os.path.join(sets, "agilent-gcms.trl")
    unknown = os.path.join(sets, "rt399-2.txt")
    # The second row unchecked: it is neither classified nor copied.
    with open(trl, "w", newline="") as f:
        f.write("[List]\r\nnaphthalene=1\r\nrt250=0\r\nrt399=1\r\nrt626=1\r\n")

    s = e2e.Session(a.tansy, [unknown],
                    prepare=e2e.remembering(os.path.join(sets, "naphthalene.trn")))
    try:
        window = s.main_window()
        # The training's six spectra, then the unknown: the active frame.
        s.find("Sp7", window, role=s.pyatspi.ROLE_PAGE_TAB)

        s.click(s.menu("PCA", "Survey"))
        s.find("PCA/MD classification", window)
        s.click(s.find("Open List", window))
        s.find("Open Traning List (type a new name to create a new list)")
        s.xdotool("type", "--delay", "5", trl)
        s.xdotool("key", "Return")
        tree = s.find("Classification results", window)
        try:
            e2e.wait_for("the list's rows",
                         lambda: cells(s, tree)[0::3] == ["Naphthalene", "Peak RT 250.6 s",
                                                          "Peak RT 399.2 s", "Peak RT 625.7 s"])
        except e2e.Failure as e:
            raise e2e.Failure("%s; the list shows %r" % (e, cells(s, tree)))

        s.click(s.find("Run", window))
        e2e.wait_for("the answers", lambda: "Yes" in cells(s, tree))
        s.set_clipboard("nothing yet")
        s.click(s.find("Copy", window))
        copied = e2e.wait_for("the copy", lambda: (lambda t: t if t != "nothing yet" else None)(
            s.clipboard()))

        out = subprocess.run([a.sorrel, "classify", trl, unknown], capture_output=True,
                             text=True, check=True).stdout
        expected = ""
        for line in out.splitlines():
            _, compound, answer, score = line.split("\t")
            expected += "%s\n\t%s\t%s\n" % (compound, answer, score)
        e2e.expect("the copied results", copied, expected)
        if "Peak RT 250.6 s" in copied:
            raise e2e.Failure("the unchecked row was copied")
        if "Peak RT 399.2 s\n\tYes\t" not in copied:
            raise e2e.Failure("the peak at 399 s is not recognised: " + copied)
        print("ok: the checked rows of", trl, "as sorrel classify gives them:\n" + copied)
    finally:
        s.close()
        shutil.rmtree(os.path.dirname(sets), ignore_errors=True)


if __name__ == "__main__":
    e2e.run(main)
