#!/usr/bin/python3
# Makes the small test pictures of the shell tests; run with Debian's python3
# (it has Pillow). Every pixel value is chosen so that tests can name it.
from PIL import Image

def save(name, mode, size, pixels):
    image = Image.new(mode, size)
    image.putdata(pixels)
    image.save(name + ".png")

# 4 x 2, top row then bottom row, with alpha.
save("quad", "RGBA", (4, 2), [
    (255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255), (255, 255, 255, 128),
    (10, 20, 30, 255), (40, 50, 60, 200), (70, 80, 90, 100), (0, 0, 0, 0),
])

# 3 x 2 without alpha.
save("rgb", "RGB", (3, 2), [
    (1, 2, 3), (4, 5, 6), (7, 8, 9),
    (11, 12, 13), (14, 15, 16), (17, 18, 19),
])

# Two 256-wide panels side by side, 4 rows: red panel, then a blue one whose
# first column is green.
panels = []
for y in range(4):
    for x in range(512):
        if x < 256:
            panels.append((200, 0, 0))
        elif x == 256:
            panels.append((0, 200, 0))
        else:
            panels.append((0, 0, 200))
save("panels", "RGB", (512, 4), panels)

# Strips of four frames, each one flat colour: 64 x 64 frames, and the same
# at twice the size.
colours = [(255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255), (255, 255, 0, 128)]
for name, frame in (("strip", 64), ("strip_large", 128)):
    save(name, "RGBA", (4 * frame, frame),
         [colours[x // frame] for y in range(frame) for x in range(4 * frame)])

# A picture to look at on the stage: four quadrants and a white border.
art = []
for y in range(128):
    for x in range(128):
        if x < 4 or y < 4 or x >= 124 or y >= 124:
            art.append((255, 255, 255, 255))
        else:
            art.append([(220, 60, 40, 255), (40, 160, 220, 255),
                        (250, 200, 40, 255), (80, 200, 90, 255)][(y >= 64) * 2 + (x >= 64)])
save("art", "RGBA", (128, 128), art)

# Looks like a PNG for a few bytes only.
with open("broken.png", "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n" + b"\x00\x00\x00\x0dIHDR" + b"\x01" * 7)
