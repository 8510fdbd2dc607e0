# Writes FITS frames of every image format into the current folder and, for them, for the
# real frame and for the FITS test files of Debian's astropy, what a load must give:
# "<file> refused" or "<file> <nx> <ny> <y> <m> <d> <hours> <date order>" followed by <file>.values (one
# value per line, rows in order). Values are astropy's physical values rounded to the nearest
# integer (halves away from zero), NaN and BLANK 0, held to the 32-bit range. 16-bit stored
# values are decoded as a camera with input control variable 4 does (top bit inverted when
# BZERO counts), then scaled by BSCALE about BZERO; the script checks that this equals
# astropy's value wherever the stored values are those of standard unsigned 16-bit data.
import glob, gzip, os, sys
import numpy as np
from astropy.io import fits
from astropy.time import Time

CAPACITY = 1447680
out = []

def card(k, v):
    # Strings start in column 11, numbers end in column 30 (fixed format).
    if isinstance(v, str) and v.startswith("'"):
        return ("%-8s= %s" % (k, v)).ljust(80)
    return ("%-8s= %20s" % (k, v)).ljust(80)

def raw(name, cards, data, bitpix):
    head = "".join(cards) + "END".ljust(80)
    head += " " * (-len(head) % 2880)
    body = data.astype({8: "u1", 16: ">i2", 32: ">i4", 64: ">i8", -32: ">f4", -64: ">f8"}[bitpix]).tobytes()
    body += b"\0" * (-len(body) % 2880)
    with open(name, "wb") as f:
        f.write(head.encode() + body)

def basic(bitpix, nx, ny, extra):
    return [card("SIMPLE", "T"), card("BITPIX", bitpix), card("NAXIS", 2), card("NAXIS1", nx),
            card("NAXIS2", ny)] + [card(k, v) for k, v in extra]

rng = np.random.default_rng(21)
nx, ny = 23, 17
dated = [("DATE-OBS", "'2021-03-04T05:06:07.25'"), ("EXPTIME", 60.0)]
raw("b8.fit", basic(8, nx, ny, dated), rng.integers(0, 256, (ny, nx)), 8)
v = rng.integers(-2**31, 2**31, (ny, nx)); v[0, 0] = -2**31; v[0, 1] = 2**31 - 1
raw("b32.fit", basic(32, nx, ny, [("DATE-OBS", "'2013-07-13'"), ("UT", "'00:57:33.5'"), ("EXPOSURE", 30)]), v, 32)
raw("b32z.fit", basic(32, nx, ny, dated + [("BZERO", 1000.0), ("BSCALE", 0.5)]), v, 32)
f = rng.normal(1000, 300, (ny, nx)); f[1, 1] = np.nan; f[1, 2] = 2.5; f[1, 3] = -2.5; f[1, 4] = 3e10; f[1, 5] = -3e10
raw("f32.fit", basic(-32, nx, ny, [("DATE-OBS", "'04/03/21'"), ("TIME-OBS", "'05:06:07'"), ("EXPTIME", 10)]), f, -32)
raw("f64.fit", basic(-64, nx, ny, dated + [("BZERO", -5.0), ("BSCALE", 3.0)]), f, -64)
s = rng.integers(-32768, 32768, (ny, nx))
raw("s16.fit", basic(16, nx, ny, [("DATE-OBS", "'2021-03-04'"), ("UT-START", "'23:59:00'"), ("UT-END", "'00:01:00.5'"),
                                   ("BZERO", 32768), ("BSCALE", 2.0)]), s, 16)
s2 = s.copy(); s2[2, 2] = -32768
raw("k16.fit", basic(16, nx, ny, dated + [("BZERO", 32768), ("BLANK", -32768)]), s2, 16)
# An empty primary header with the date, then the image in an extension.
prim = fits.PrimaryHDU()
prim.header["DATE-OBS"] = "2022-11-30T22:00:00"
prim.header["EXPTIME"] = 120.0
fits.HDUList([prim, fits.ImageHDU(f.astype(np.float32))]).writeto("ext.fit", overwrite=True)
u = rng.integers(0, 65536, (ny, nx)).astype(np.uint16)
comp = fits.CompImageHDU(u, compression_type="RICE_1")
comp.header["DATE-OBS"] = "2023-01-02T03:04:05.5"
fits.HDUList([fits.PrimaryHDU(), comp]).writeto("rice.fit", overwrite=True)
compf = fits.CompImageHDU(f.astype(np.float32), compression_type="GZIP_2")
compf.header["DATE-OBS"] = "2023-01-02T03:04:05"
fits.HDUList([fits.PrimaryHDU(), compf]).writeto("gzf.fit", overwrite=True)
plain = fits.PrimaryHDU(u)
plain.header["DATE-OBS"] = "2024-02-29T12:00:00"
plain.header["EXPTIME"] = 1.0
plain.writeto("plain.fits", overwrite=True)
with open("plain.fits", "rb") as src, open("gz.fit", "wb") as dst:
    dst.write(gzip.compress(src.read()))
os.remove("plain.fits")
mine = ["b8.fit", "b32.fit", "b32z.fit", "f32.fit", "f64.fit", "s16.fit", "k16.fit", "ext.fit", "rice.fit", "gzf.fit", "gz.fit"]

def observed_time(h):
    """The frame time as an observer reads the header: the middle of UT-START and UT-END,
    else the start plus half the exposure; (y, m, d, hours) or None without a date."""
    date = str(h.get("DATE-OBS", "")).strip()
    if not date:
        return None
    if "/" in date:  # dd/mm/yy
        d, m, y = (int(x) for x in date.split("/"))
        date = "%04d-%02d-%02d" % (y + (1900 if 50 <= y <= 99 else 2000), m, d)
    day = Time(date[:10], scale="utc")
    def hours(t):
        hh, mm, ss = t.split(":")
        return int(hh) + int(mm) / 60 + float(ss) / 3600
    if "UT-START" in h and "UT-END" in h:
        a, b = hours(h["UT-START"]), hours(h["UT-END"])
        if b < a:
            b += 24
        t = (a + b) / 2
    else:
        if "TIME-OBS" in h:
            t = hours(h["TIME-OBS"])
        elif "T" in date:
            t = (Time(date, scale="utc") - day).to_value("hour")
        elif "UT" in h:
            t = hours(h["UT"])
        else:
            return int(date[:4]), int(date[5:7]), int(date[8:10]), 0.0  # no start: time 0, as pelm says
        t += float(h.get("EXPTIME", h.get("EXPOSURE", 0.0))) / 7200
    y, m, d = (int(x) for x in date[:10].split("-"))
    return y, m, d, t

def image_hdu(hdul):
    if hdul[0].header.get("NAXIS", 0) > 0 or isinstance(hdul[0], fits.GroupsHDU):
        return hdul[0], None
    for hdu in hdul[1:]:
        if isinstance(hdu, (fits.ImageHDU, fits.CompImageHDU)) and hdu.header.get("NAXIS", 0) > 0:
            return hdu, hdul[0].header
    return None, None

def expected(path, label):
    try:
        with fits.open(path) as hdul:
            hdu, primary = image_hdu(hdul)
            if hdu is None or isinstance(hdu, fits.GroupsHDU):
                return "refused"
            h = hdu.header
            shape = hdu.data.shape if hdu.data is not None else ()
            if len(shape) == 3 and shape[0] == 1:
                shape = shape[1:]
            if len(shape) != 2 or min(shape) <= 0 or shape[0] * shape[1] > CAPACITY:
                return "refused"
            ny_, nx_ = shape
            data = np.asarray(hdu.data, dtype=np.float64).reshape(ny_, nx_)
            with fits.open(path, do_not_scale_image_data=True) as rawl:
                hr, _ = image_hdu(rawl)
                stored_bitpix = hr.header["BITPIX"]
                stored = np.asarray(hr.data).astype(np.int64).reshape(ny_, nx_) if stored_bitpix == 16 else None
                raw_header = hr.header.copy()  # astropy's scaled header no longer has BZERO and BSCALE
            if stored_bitpix == 16 and not isinstance(hdu, fits.CompImageHDU):
                bzero, bscale = float(raw_header.get("BZERO", 0.0)), float(raw_header.get("BSCALE", 1.0))
                code = stored & 0xFFFF
                decoded = (code ^ 0x8000) if abs(bzero) > 0.1 else code
                camera = bzero + bscale * (decoded - bzero) if bscale != 1 else decoded.astype(np.float64)
                if "BLANK" in raw_header:
                    camera = np.where(stored == raw_header["BLANK"], np.nan, camera)
                standard = bzero == 32768 or (bzero == 0 and stored.min() >= 0)
                # astropy's unsigned reading leaves BLANK as the value 0, which is what a blank becomes
                known = ~np.isnan(camera)
                if standard and not np.array_equal(camera[known], data[known]):
                    print("camera rules and astropy disagree on", label, file=sys.stderr)
                    sys.exit(1)
                data = camera
            merged = fits.Header(primary) if primary is not None else fits.Header()
            merged.update(h)
            when = observed_time(merged)
    except Exception as e:  # astropy cannot read it either
        return "refused"
    r = np.where(np.isnan(data), 0.0, np.sign(data) * np.floor(np.abs(data) + 0.5))
    r = np.clip(r, -2**31, 2**31 - 1).astype(np.int64)
    with open(label + ".values", "w") as f:
        f.write("\n".join(str(x) for x in r.ravel()) + "\n")
    y, m, d, t = when if when else (0, 0, 0, 0.0)
    order = 0 if "/" in str(merged.get("DATE-OBS", "")) else 1
    return "%d %d %d %d %d %.7f %d" % (nx_, ny_, y, m, d, t, order)

for name in mine:
    out.append("%s %s" % (name, expected(name, name)))
# Real frames: the one beside the tests and astropy's test files (copied under short names).
sources = sys.argv[1:]
for k, path in enumerate(sources):
    label = "r%02d.fit" % k
    with open(path, "rb") as src, open(label, "wb") as dst:
        dst.write(src.read())
    out.append("%s %s %s" % (label, expected(label, label), os.path.basename(path)))
with open("expected.txt", "w") as f:
    f.write("\n".join(out) + "\n")
