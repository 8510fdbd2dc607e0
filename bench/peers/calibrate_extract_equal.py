"""Equal-work peer of dfs: the work pelm does, done with astropy, numpy and sep. Frames read and
saved (16-bit) with astropy; the dark and flat correction in numpy, with pelm's rule (flat
pixels at or below 0.3 of the mean are set to 0); the sky a sample median as pelm's quick
estimate (752 pixels on a grid over the frame 5 pixels in from its edges, their median); stars
extracted by sep above the sky plus pelm's threshold of 100 ADU, with no background map, no
smoothing filter and a minimum area of one pixel (pelm takes every peak above its threshold)."""
import numpy as np
from astropy.io import fits
import sep

import night

THRESHOLD_ADU = 100.0
SAMPLES = 752

folder, count = night.arguments()
dark = fits.getdata(f"{folder}/dark.fit").astype(np.float32)
flat = fits.getdata(f"{folder}/flat.fit").astype(np.float32)
mean = np.float32(flat.mean())
good = flat > 0.3 * mean
divisor = np.where(good, flat, np.float32(1.0))
grid = None
for name in night.frames(folder, "img", count):
    raw = fits.getdata(name + ".fit").astype(np.float32)
    cal = np.where(good, (raw - dark) * mean / divisor, np.float32(0.0))
    fits.writeto(name.replace("img", "peer") + ".fits",
                 np.clip(np.rint(cal), 0, 65535).astype(np.uint16), overwrite=True)
    if grid is None:
        ny, nx = cal.shape
        rows = np.linspace(5, ny - 6, 26).astype(np.intp)
        cols = np.linspace(5, nx - 6, 29).astype(np.intp)
        grid = np.ix_(rows, cols)
    sky = np.float32(np.median(cal[grid].ravel()[:SAMPLES]))
    sep.extract(cal - sky, THRESHOLD_ADU, minarea=1, filter_kernel=None)
