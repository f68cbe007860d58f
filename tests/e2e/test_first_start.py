"""A first start in an empty program directory: the caption is
"Sorrel v2.1 - " and the Data directory, the PCA menu and Close Spectrum
are disabled; Help > About... shows the version; Alt+F4 writes startup.ini
with the empty training's path and settings and no PCA section."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tansy_e2e as e2e  # noqa: E402


def main():
    a = e2e.arguments()

    s = e2e.Session(a.tansy, [], program_dirs=False)
    try:
        data = os.path.join(s.program_dir, "Data") + "/"
        window = s.main_window()
        e2e.wait_for("the caption", lambda: window.name == "Sorrel v2.1 - " + data)
        if s.enabled(s.find("PCA", window)):
            raise e2e.Failure("the PCA menu is enabled with no frame open")
        if s.enabled(s.menu("File", "Close Spectrum")):
            raise e2e.Failure("Close Spectrum is enabled with no frame open")
        s.xdotool("key", "Escape")

        s.click(s.menu("Help", "About..."))
        s.find("Version 2.1.0.13")
        s.click(s.find("OK"))
        e2e.wait_for("the About box to close", lambda: not s.showing("Version 2.1.0.13"))

        s.focus_main_window()
        s.xdotool("key", "--clearmodifiers", "alt+F4")
        e2e.expect("exit status", s.wait_exit(), 0)
        ini = e2e.ini_sections(os.path.join(s.program_dir, "startup.ini"))
        e2e.expect("startup.ini [Target]", ini.get("Target"), {"Training": data})
        e2e.expect("startup.ini sections", list(ini), ["General", "Preprocess", "Target"])
        print("ok: first start on", data, "written back by Alt+F4")
    finally:
        s.close()


if __name__ == "__main__":
    e2e.run(main)
