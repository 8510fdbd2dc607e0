"""Peer of rstack: scipy affine_transform (bilinear, order 1) of each frame, then the mean."""
import math
import sys

import numpy as np
from astropy.io import fits
from scipy.ndimage import affine_transform

import night

if len(sys.argv) > 1 and sys.argv[1] == "--import-only":
    sys.exit(0)
folder, count = sys.argv[1], int(sys.argv[2])
offsets = night.alignment(folder)
total = None
for name in night.frames(folder, "fmg", count):
    du, dv, rot = offsets[name.rsplit("/", 1)[1]]
    data = fits.getdata(name + ".fts").astype(np.float32)
    if total is None:
        total = np.zeros_like(data)
    t = math.radians(rot)
    # Output (row v, column u) samples the frame at the rotated and shifted position.
    matrix = np.array([[math.cos(t), -math.sin(t)], [math.sin(t), math.cos(t)]], dtype=np.float64)
    total += affine_transform(data, matrix, offset=(dv, du), order=1, output=np.float32)
fits.writeto(f"{folder}/peer-rstack.fits", total / count, overwrite=True)
