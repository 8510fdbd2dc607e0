"""Peer of psffilesal: photutils PSF photometry (integrated Gaussian, width fitted) of ten stars."""
import sys
import warnings

import numpy as np
from astropy.io import fits
from astropy.modeling.fitting import LevMarLSQFitter
from astropy.table import Table
from photutils.psf import BasicPSFPhotometry, DAOGroup, IntegratedGaussianPRF

import night

if len(sys.argv) > 1 and sys.argv[1] == "--import-only":
    sys.exit(0)
warnings.simplefilter("ignore")
folder, count = sys.argv[1], int(sys.argv[2])
offsets = night.alignment(folder)
stars = night.stars(folder)
for name in night.frames(folder, "fmg", count):
    du, dv, _ = offsets[name.rsplit("/", 1)[1]]
    data = fits.getdata(name + ".fts").astype(np.float64)
    data -= np.median(data)
    psf = IntegratedGaussianPRF(sigma=1.3)
    psf.sigma.fixed = False
    phot = BasicPSFPhotometry(group_maker=DAOGroup(3.0), bkg_estimator=None, psf_model=psf,
                              fitshape=(11, 11), fitter=LevMarLSQFitter(), aperture_radius=4.0)
    init = Table({"x_0": [u + du - 1.0 for u, _ in stars], "y_0": [v + dv - 1.0 for _, v in stars]})
    phot(image=data, init_guesses=init)
