"""Peer of psffilesal: photutils PSF photometry (integrated Gaussian, width fitted) of ten stars."""
import warnings

import numpy as np
from astropy.modeling.fitting import LevMarLSQFitter
from astropy.table import Table
from photutils.psf import BasicPSFPhotometry, DAOGroup, IntegratedGaussianPRF

import night

folder, count = night.arguments()
warnings.simplefilter("ignore")
stars = night.stars(folder)
for du, dv, _, data in night.calibrated(folder, count, np.float64):
    data -= np.median(data)
    psf = IntegratedGaussianPRF(sigma=1.3)
    psf.sigma.fixed = False
    phot = BasicPSFPhotometry(group_maker=DAOGroup(3.0), bkg_estimator=None, psf_model=psf,
                              fitshape=(11, 11), fitter=LevMarLSQFitter(), aperture_radius=4.0)
    init = Table({"x_0": [u + du - 1.0 for u, _ in stars], "y_0": [v + dv - 1.0 for _, v in stars]})
    phot(image=data, init_guesses=init)
