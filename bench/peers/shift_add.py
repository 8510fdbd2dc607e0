"""Peer of stack: numpy integer shift-and-add of the calibrated frames (loads included)."""
import numpy as np
from astropy.io import fits

import night

folder, count = night.arguments()
total = None
for du, dv, _, data in night.calibrated(folder, count, np.int32):
    if total is None:
        total = np.zeros_like(data)
    di, dj = int(round(du)), int(round(dv))
    # Frame pixel (i + du, j + dv) lands on fiducial pixel (i, j); rows are v, columns u.
    ny, nx = data.shape
    src = data[max(dj, 0):ny + min(dj, 0), max(di, 0):nx + min(di, 0)]
    total[max(-dj, 0):ny + min(-dj, 0), max(-di, 0):nx + min(-di, 0)] += src
fits.writeto(f"{folder}/peer-stack.fits", (total // count).astype(np.int32), overwrite=True)
