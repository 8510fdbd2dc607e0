"""Peer of dfs: dark and flat correction with numpy, save with astropy, extraction with sep."""
import sys

import numpy as np
from astropy.io import fits
import sep

import night

if len(sys.argv) > 1 and sys.argv[1] == "--import-only":
    sys.exit(0)
folder, count = sys.argv[1], int(sys.argv[2])
dark = fits.getdata(f"{folder}/dark.fit").astype(np.float32)
flat = fits.getdata(f"{folder}/flat.fit").astype(np.float32)
flat /= flat.mean()
for name in night.frames(folder, "img", count):
    raw = fits.getdata(name + ".fit").astype(np.float32)
    cal = (raw - dark) / flat
    fits.writeto(name.replace("img", "peer") + ".fits",
                 np.clip(np.rint(cal), 0, 65535).astype(np.uint16), overwrite=True)
    bkg = sep.Background(cal)
    sep.extract(cal - bkg, 5.0, err=bkg.globalrms)
