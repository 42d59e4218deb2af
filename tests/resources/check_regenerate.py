#!/usr/bin/python3
"""Runs every generator into a fresh folder and checks that the bytes match
the committed resources, and that nothing else lies in resources/."""
import filecmp
import os
import subprocess
import sys
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RESOURCES = os.path.join(REPO, "resources")


def main():
    with tempfile.TemporaryDirectory() as out:
        subprocess.run([sys.executable, os.path.join(REPO, "tools", "make_all.py"), "--out", out], check=True)
        made = sorted(os.listdir(out))
        committed = sorted(f for f in os.listdir(RESOURCES) if f != "skylume.rc")
        failures = []
        if made != committed:
            failures.append("generated %s but resources/ holds %s" % (made, committed))
        for name in made:
            if name in committed and not filecmp.cmp(os.path.join(out, name), os.path.join(RESOURCES, name), shallow=False):
                failures.append("%s differs from what the generators make" % name)
    for failure in failures:
        print("FAIL:", failure)
    print("%d passed, %d failed" % (len(made) - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
