"""Peer of photometry "soft": photutils subpixel aperture sums (20 x 20) with an annulus sky."""
import numpy as np
from photutils.aperture import ApertureStats, CircularAnnulus, CircularAperture, aperture_photometry

import night

folder, count = night.arguments()
stars = night.stars(folder)
for du, dv, _, data in night.calibrated(folder, count, np.float64):
    pos = [(u + du - 1.0, v + dv - 1.0) for u, v in stars]
    aperture = CircularAperture(pos, r=4.0)
    sky = ApertureStats(data, CircularAnnulus(pos, r_in=8.0, r_out=15.0)).median
    table = aperture_photometry(data, aperture, method="subpixel", subpixels=20)
    flux = table["aperture_sum"] - sky * aperture.area
