"""Screen Run as a user does it: tansy starts on the example training of
naphthalene (six frames) with the Agilent run given on the command line
(the active frame); PCA > Survey shows the screening frame, "Screen Run"
asks for the trainings in the real file dialog, where the example list's
path is typed; the hit list fills, and "Copy Hits" puts on the clipboard
the retention time, compound, answer and score of each row that
`sorrel screen RUN LIST.trl --hits` prints."""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tansy_e2e as e2e  # noqa: E402

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples",
                        "trainings")


def main():
    a = e2e.arguments()
    if not a.sorrel:
        raise e2e.Failure("--sorrel is needed")
    run_file = e2e.agilent_run(a)
    sets = os.path.join(tempfile.mkdtemp(prefix="tansy-e2e-sets-"), "sets")
    shutil.copytree(EXAMPLES, sets)
    trl = os.path.join(sets, "agilent-gcms.trl")

    out = subprocess.run([a.sorrel, "screen", run_file, trl, "--hits"], capture_output=True,
                         text=True, check=True).stdout
    expected = "".join("\t".join(f[i] for i in (0, 3, 4, 5)) + "\n"
                       for f in (line.split("\t") for line in out.splitlines()))
    if not expected:
        raise e2e.Failure("sorrel screen finds no hit in the example run")

    s = e2e.Session(a.tansy, [run_file],
                    prepare=e2e.remembering(os.path.join(sets, "naphthalene.trn")))
    try:
        window = s.main_window()
        s.find("Sp7", window, role=s.pyatspi.ROLE_PAGE_TAB)
        s.click(s.menu("PCA", "Survey"))
        # The toggle, not the header of the same name (Qt shows a button
        # that stays down as a check box).
        s.click(s.find("Screen Run", window, role=s.pyatspi.ROLE_CHECK_BOX))
        s.find("Screen against a training list or a training")
        s.xdotool("type", "--delay", "5", trl)
        s.xdotool("key", "Return")
        s.set_clipboard("nothing yet")
        copy = s.find("Copy Hits", window)
        e2e.wait_for("the hits", lambda: s.enabled(copy))
        s.click(copy)
        copied = e2e.wait_for("the copy", lambda: (lambda t: t if t != "nothing yet" else None)(
            s.clipboard()))
        e2e.expect("the hits copied", copied, expected)
        print("ok: %d hits as sorrel screen gives them" % len(expected.splitlines()))
    finally:
        s.close()
        shutil.rmtree(os.path.dirname(sets), ignore_errors=True)


if __name__ == "__main__":
    e2e.run(main)
