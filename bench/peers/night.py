"""What every peer reads from a reduced night folder: frame names, offsets, star positions."""
import os
import sys

from astropy.io import fits


def frames(folder, prefix, count):
    return [os.path.join(folder, f"{prefix}{k:03d}") for k in range(1, count + 1)]


def alignment(folder):
    """Offsets (du, dv, rotation in degrees) per frame name from align.dat."""
    table = {}
    with open(os.path.join(folder, "align.dat")) as f:
        for line in f:
            if len(line) < 60:
                continue
            name = line[1:21].strip()
            table[name] = (float(line[30:37]), float(line[38:45]), float(line[47:56]))
    return table


def stars(folder, count=10):
    """The first `count` stars of truth.txt: fiducial positions in 1-based pixel coordinates."""
    out = []
    with open(os.path.join(folder, "truth.txt")) as f:
        for line in f:
            p = line.split()
            if len(p) == 5 and p[0] == "star" and p[1] != "code":
                out.append((float(p[2]), float(p[3])))
    return out[:count]


def arguments():
    """The night folder and frame count; `--import-only` ends here (import time is measured)."""
    if len(sys.argv) > 1 and sys.argv[1] == "--import-only":
        sys.exit(0)
    return sys.argv[1], int(sys.argv[2])


def calibrated(folder, count, dtype):
    """Each calibrated frame with its offsets: (du, dv, rotation, pixels as dtype)."""
    offsets = alignment(folder)
    for name in frames(folder, "fmg", count):
        du, dv, rot = offsets[os.path.basename(name)]
        yield du, dv, rot, fits.getdata(name + ".fts").astype(dtype)
