#!/usr/bin/python3
"""Makes every resource of the game: run with --out DIR to write elsewhere
than resources/ (the tests compare such a run with the committed files)."""
import os
import sys

import make_lettering
import make_menu_art
import make_music
import make_sounds
import make_world_art
from assetkit import output_dir, save_pictures, save_sounds


def main():
    out = output_dir(__doc__)
    for module in (make_world_art, make_lettering, make_menu_art):
        save_pictures(out, module.PICTURES)
    save_sounds(out, make_sounds.SOUNDS)
    with open(os.path.join(out, "music.mid"), "wb") as f:
        f.write(make_music.song())
    return 0


if __name__ == "__main__":
    sys.exit(main())
