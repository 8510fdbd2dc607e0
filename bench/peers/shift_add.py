"""Peer of stack: numpy integer shift-and-add of the calibrated frames (loads included)."""
import sys

import numpy as np
from astropy.io import fits

import night

if len(sys.argv) > 1 and sys.argv[1] == "--import-only":
    sys.exit(0)
folder, count = sys.argv[1], int(sys.argv[2])
offsets = night.alignment(folder)
total = None
for name in night.frames(folder, "fmg", count):
    du, dv, _ = offsets[name.rsplit("/", 1)[1]]
    data = fits.getdata(name + ".fts").astype(np.int32)
    if total is None:
        total = np.zeros_like(data)
    di, dj = int(round(du)), int(round(dv))
    # Frame pixel (i + du, j + dv) lands on fiducial pixel (i, j); rows are v, columns u.
    ny, nx = data.shape
    src = data[max(dj, 0):ny + min(dj, 0), max(di, 0):nx + min(di, 0)]
    total[max(-dj, 0):ny + min(-dj, 0), max(-di, 0):nx + min(-di, 0)] += src
fits.writeto(f"{folder}/peer-stack.fits", (total // count).astype(np.int32), overwrite=True)
