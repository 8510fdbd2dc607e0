"""Peer of photometry "soft": photutils subpixel aperture sums (20 x 20) with an annulus sky."""
import sys

import numpy as np
from astropy.io import fits
from photutils.aperture import ApertureStats, CircularAnnulus, CircularAperture, aperture_photometry

import night

if len(sys.argv) > 1 and sys.argv[1] == "--import-only":
    sys.exit(0)
folder, count = sys.argv[1], int(sys.argv[2])
offsets = night.alignment(folder)
stars = night.stars(folder)
for name in night.frames(folder, "fmg", count):
    du, dv, _ = offsets[name.rsplit("/", 1)[1]]
    data = fits.getdata(name + ".fts").astype(np.float64)
    pos = [(u + du - 1.0, v + dv - 1.0) for u, v in stars]
    aperture = CircularAperture(pos, r=4.0)
    sky = ApertureStats(data, CircularAnnulus(pos, r_in=8.0, r_out=15.0)).median
    table = aperture_photometry(data, aperture, method="subpixel", subpixels=20)
    flux = table["aperture_sum"] - sky * aperture.area
