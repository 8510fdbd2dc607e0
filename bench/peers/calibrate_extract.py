"""Peer of dfs: dark and flat correction with numpy, save with astropy, extraction with sep."""
import numpy as np
from astropy.io import fits
import sep

import night

folder, count = night.arguments()
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
