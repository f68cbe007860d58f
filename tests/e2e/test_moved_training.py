"""A start whose startup.ini names a training in a folder that no longer
exists opens the Data directory's training of that name (the naphthalene
example of examples/trainings) with its six spectra as frames Sp1 ... Sp6
and the PCA menu enabled; File > Exit remembers it in startup.ini with its
settings and no PCA section, and leaves the training file as it was."""

import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tansy_e2e as e2e  # noqa: E402

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples",
                        "trainings")


def main():
    a = e2e.arguments()
    names = sorted(n for n in os.listdir(EXAMPLES) if n.startswith("naphthalene"))

    def prepare(program_dir):
        for n in names:
            shutil.copy(os.path.join(EXAMPLES, n), os.path.join(program_dir, "Data", n))
        with open(os.path.join(program_dir, "startup.ini"), "w", newline="") as f:
            f.write("[Target]\r\nTraining=/no/such/folder/naphthalene.trn\r\n")

    s = e2e.Session(a.tansy, [], prepare=prepare)
    try:
        training = os.path.join(s.program_dir, "Data", "naphthalene.trn")
        window = s.main_window()
        e2e.wait_for("the caption", lambda: window.name == "Sorrel v2.1 - " + training)
        plots = s.find("Plots", window)
        bar = [c for c in plots if c.getRole() == s.pyatspi.ROLE_PAGE_TAB_LIST][0]
        tabs = [t.name for t in bar if t.getRole() == s.pyatspi.ROLE_PAGE_TAB]
        e2e.expect("the frames' tabs", tabs, ["Sp%d" % i for i in range(1, 7)])
        if not s.enabled(s.find("PCA", window)):
            raise e2e.Failure("the PCA menu is disabled with six frames open")

        s.click(s.menu("File", "Exit"))
        e2e.expect("exit status", s.wait_exit(), 0)
        ini = e2e.ini_sections(os.path.join(s.program_dir, "startup.ini"))
        e2e.expect("startup.ini [Target]", ini.get("Target"), {"Training": training})
        e2e.expect("startup.ini sections", list(ini),
                   ["General", "Preprocess", "LoadedSpec", "Target"])
        e2e.expect("startup.ini [LoadedSpec]", ini["LoadedSpec"],
                   {str(i): "naphthalene-%d.txt" % i for i in range(1, 7)})
        with open(training, "rb") as f, open(os.path.join(EXAMPLES, "naphthalene.trn"), "rb") as g:
            if f.read() != g.read():
                raise e2e.Failure("the training file changed at exit")
        print("ok: the moved training opened from", training, "with 6 frames")
    finally:
        s.close()


if __name__ == "__main__":
    e2e.run(main)
