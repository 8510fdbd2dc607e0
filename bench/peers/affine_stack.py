"""Peer of rstack: scipy affine_transform (bilinear, order 1) of each frame, then the mean."""
import math

import numpy as np
from astropy.io import fits
from scipy.ndimage import affine_transform

import night

folder, count = night.arguments()
total = None
for du, dv, rot, data in night.calibrated(folder, count, np.float32):
    if total is None:
        total = np.zeros_like(data)
    t = math.radians(rot)
    # Output (row v, column u) samples the frame at the rotated and shifted position.
    matrix = np.array([[math.cos(t), -math.sin(t)], [math.sin(t), math.cos(t)]], dtype=np.float64)
    total += affine_transform(data, matrix, offset=(dv, du), order=1, output=np.float32)
fits.writeto(f"{folder}/peer-rstack.fits", total / count, overwrite=True)
