#!/usr/bin/python3
"""Side-by-side benchmark: pelm and the tools an observer would use instead, on one synthetic
night of 50 frames of 1392 x 1040 (fixed seed), and dfs alone on 20 frames of 4144 x 2822. Every step runs as a whole process, pelm and
its peer alternating, several times; the median counts. A Python peer's import time is
measured on its own and subtracted. pelm runs on every core (its default) and, for dfs, also
with PELM_THREADS=1; the input/output floor (the raw frames read and the corrected ones
written, nothing else) is measured in the same runs. Prints a table of milliseconds per frame
and writes it, with the machine, to bench/RESULTS.md."""
import argparse
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
PY = "/usr/bin/python3"
FRAMES = 50
LARGE_FRAMES = 20
LARGE_NX, LARGE_NY = 4144, 2822


ONE_THREAD = dict(os.environ, PELM_THREADS="1")


def memory_limit_mb(nx, ny):
    """Three workspaces of 4-byte pixels at the capacity (never below 1447680 pixels), and 64 MB."""
    return 3 * 4 * max(nx * ny, 1447680) / 2**20 + 64


def run(cmd, cwd, stdin_text=None, env=None):
    """Wall seconds and peak resident kilobytes of one process; fails loudly on a bad exit."""
    start = time.perf_counter()
    p = subprocess.Popen(cmd, cwd=cwd, env=env, stdin=subprocess.PIPE if stdin_text else subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if stdin_text:
        p.stdin.write(stdin_text.encode())
        p.stdin.close()
    err = p.stderr.read()
    _, status, usage = os.wait4(p.pid, 0)
    p.returncode = os.waitstatus_to_exitcode(status)
    seconds = time.perf_counter() - start
    if p.returncode != 0:
        sys.exit(f"bench: {' '.join(cmd)} failed ({p.returncode}): {err.decode(errors='replace')[-400:]}")
    return seconds, usage.ru_maxrss


def frame_list(prefix):
    return f"{prefix}001\n..\n{prefix}{FRAMES:03d}\n\n"


def star_codes(stars):
    return "".join(f"s{k}\n" for k in range(1, len(stars) + 1)) + "\n"


def truth_stars(night):
    out = []
    with open(os.path.join(night, "truth.txt")) as f:
        for line in f:
            p = line.split()
            if len(p) == 5 and p[0] == "star" and p[1] != "code":
                out.append((p[2], p[3]))
    return out[:10]


def prepare(build, night, seed):
    shutil.rmtree(night, ignore_errors=True)
    run([os.path.join(build, "simnight"), "--out", night, "--frames", str(FRAMES), "--size", "1392", "1040",
         "--seed", str(seed)], cwd=ROOT)
    with open(os.path.join(night, "path.dat"), "w") as f:
        f.write(" " * 80 + "\n")
        for t in ["", "", "fit", "drk", "fts", "", "", "", "3", "f"]:
            f.write(f"{t:<3}\n")
    stars = truth_stars(night)
    positions = "positions\n" + "".join(f"s{k}\nstar {k}\n{u} {v}\n" for k, (u, v) in enumerate(stars, 1)) + "\n"
    prep = (f"dfs\ndark.fit\nflat.fit\n{frame_list('img')}" + positions +
            "updateposi\n\nfiducialst\ns1\ns2\ns3\ns4\n\nalign\n\ny\n")
    run([os.path.join(build, "pelm")], cwd=night, stdin_text=prep)
    # source-extractor's configuration: its defaults, no filtering, a short catalogue.
    sex = os.path.join(night, "sex")
    os.makedirs(sex, exist_ok=True)
    conf = subprocess.run(["source-extractor", "-d"], capture_output=True, text=True).stdout
    with open(os.path.join(sex, "default.sex"), "w") as f:
        f.write(conf)
    with open(os.path.join(sex, "default.param"), "w") as f:
        f.write("X_IMAGE\nY_IMAGE\nFLUX_AUTO\n")
    # siril works on its own copy of the raw frames (links), calibrated, registered and stacked.
    siril = os.path.join(night, "siril")
    os.makedirs(os.path.join(siril, "raw"), exist_ok=True)
    os.makedirs(os.path.join(siril, "home"), exist_ok=True)
    for k in range(1, FRAMES + 1):
        os.symlink(os.path.join(night, f"img{k:03d}.fit"), os.path.join(siril, "raw", f"img{k:03d}.fit"))
    with open(os.path.join(siril, "night.ssf"), "w") as f:
        f.write("requires 1.0.0\nsetext fit\ncd raw\nconvert frame -out=../work\ncd ../work\n"
                f"preprocess frame -dark={night}/dark.fit -flat={night}/flat.fit\nregister pp_frame\n"
                "stack r_pp_frame rej 3 3 -norm=addscale -out=../siril-stack\nclose\n")
    return stars


def large_frames(build, runs, seed):
    """dfs over 20 frames of 4144 x 2822 beside astropy + sep on the same frames: the median
    seconds of each, the peer's import time, and pelm's peak resident kilobytes."""
    night = os.path.join(build, "bench-large")
    shutil.rmtree(night, ignore_errors=True)
    print(f"bench: generating {LARGE_FRAMES} frames of {LARGE_NX} x {LARGE_NY} in {night}", flush=True)
    run([os.path.join(build, "simnight"), "--out", night, "--frames", str(LARGE_FRAMES),
         "--size", f"{LARGE_NX}x{LARGE_NY}", "--stars", "300", "--seed", str(seed)], cwd=ROOT)
    with open(os.path.join(night, "path.dat"), "w") as f:
        f.write(" " * 80 + "\n")
        for t in ["", "", "fit", "drk", "fts", "", "", "", "3", "f"]:
            f.write(f"{t:<3}\n")
    dfs = f"dfs\ndark.fit\nflat.fit\nimg001\n..\nimg{LARGE_FRAMES:03d}\n\n"
    peer = [PY, os.path.join(HERE, "peers", "calibrate_extract_equal.py"), night, str(LARGE_FRAMES)]
    imp = [PY, os.path.join(HERE, "peers", "calibrate_extract_equal.py"), "--import-only"]
    floor = [os.path.join(build, "bench_io_floor"), night, str(LARGE_FRAMES)]
    pelm_s, peer_s, imp_s, floor_s, peak_kb = [], [], [], [], 0
    for r in range(runs):
        print(f"bench: large frames, run {r + 1} of {runs}", flush=True)
        s, kb = run([os.path.join(build, "pelm")], night, stdin_text=dfs)
        pelm_s.append(s)
        peak_kb = max(peak_kb, kb)
        peer_s.append(run(peer, night)[0])
        imp_s.append(run(imp, night)[0])
        floor_s.append(run(floor, night)[0])
    shutil.rmtree(night, ignore_errors=True)
    return (statistics.median(pelm_s), statistics.median(peer_s) - statistics.median(imp_s), peak_kb,
            statistics.median(floor_s))


# What each peer does, written under the table.
PEERS = [
    "## The peers",
    "",
    "- **equal work** (`peers/calibrate_extract_equal.py`, the dfs target's peer): astropy reads each raw frame and "
    "saves the corrected one (16-bit); numpy corrects with pelm's rule ((data - dark) × mean flat / flat, flat pixels "
    "at or below 0.3 of the mean set to 0); the sky is a sample median as pelm's quick estimate (752 pixels on a grid "
    "over the frame); sep extracts every object above the sky plus 100 ADU (pelm's threshold) with no background map, "
    "no smoothing filter and a minimum area of one pixel, as pelm takes every peak above its threshold.",
    "- **sep with its background map** (`peers/calibrate_extract.py`): the same reading, correction and saving; the "
    "sky is sep's background map (`sep.Background`) and the threshold 5 × its global noise. More work than pelm does.",
    "- **source-extractor**: its defaults without filtering, one process per saved frame (extraction only).",
    "- **input/output floor** (`bench_io_floor`): each raw frame read whole and a file of its size written as pelm "
    "saves (a new file renamed over the old), nothing else.",
    "- **numpy shift-and-add** (`peers/shift_add.py`): the corrected frames read with astropy, shifted by the rounded "
    "offsets of align.dat and summed in 32-bit integers.",
    "- **scipy affine_transform order 1** (`peers/affine_stack.py`): each corrected frame resampled bilinearly by its "
    "offset and rotation (bilinear), then the mean.",
    "- **photutils** (`peers/aperture_phot.py`, `peers/psf_phot.py`): aperture sums with 20 × 20 subpixels and an "
    "annulus sky; PSF photometry with BasicPSFPhotometry (an integrated Gaussian, its width fitted) of the same stars.",
    "- **siril-cli**: calibrate, register and stack the same night (the whole night's peer).",
]


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--build", default="build")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--seed", type=int, default=7)
    ap.add_argument("--large-runs", type=int, default=5, help="runs of the large-frame dfs (0 leaves it out)")
    ap.add_argument("--large-only", action="store_true", help="only the large-frame dfs; RESULTS.md is left alone")
    args = ap.parse_args()
    build = os.path.join(ROOT, args.build)
    if args.large_only:
        pelm_s, peer_s, peak_kb, floor_s = large_frames(build, max(1, args.large_runs), args.seed)
        limit_mb = memory_limit_mb(LARGE_NX, LARGE_NY)
        print(f"dfs, {LARGE_FRAMES} frames of {LARGE_NX} x {LARGE_NY}: pelm {pelm_s * 1000 / LARGE_FRAMES:.1f} ms/frame, "
              f"equal-work peer {peer_s * 1000 / LARGE_FRAMES:.1f} ms/frame, ratio {pelm_s / peer_s:.2f} (target 0.20); "
              f"floor {floor_s * 1000 / LARGE_FRAMES:.1f} ms/frame ({pelm_s / floor_s:.1f} x); "
              f"peak memory {peak_kb / 1024:.1f} MB (limit {limit_mb:.0f} MB)")
        return
    night = os.path.join(build, "bench-night")
    pelm = [os.path.join(build, "pelm")]
    print(f"bench: generating and preparing a night of {FRAMES} frames of 1392 x 1040 in {night}", flush=True)
    stars = prepare(build, night, args.seed)
    codes = star_codes(stars)
    dfs = f"dfs\ndark.fit\nflat.fit\n{frame_list('img')}"
    align = "plf\nstars.lst\nalign\n\ny\n"
    phot = f"rphot\n4.0\nlog\nbench-phot.txt\nphotometry\n{codes}{frame_list('fmg')}log\n"
    psf = f"psffilesal\n{codes}{frame_list('fmg')}"
    stack = "stack\n...\nsave\nbench-stack\n"
    rstack = "rstack\n...\nsave\nbench-rstack\n"
    whole = dfs + align + phot + stack

    def peer(script):
        return [PY, os.path.join(HERE, "peers", script), night, str(FRAMES)]

    def sextractor():
        # One process per frame, as an observer runs it over a night.
        total = 0.0
        for k in range(1, FRAMES + 1):
            s, _ = run(["source-extractor", os.path.join(night, f"fmg{k:03d}.fts"), "-c", "default.sex",
                        "-CATALOG_NAME", "/dev/null", "-FILTER", "N", "-VERBOSE_TYPE", "QUIET"],
                       cwd=os.path.join(night, "sex"))
            total += s
        return total, 0

    def siril():
        shutil.rmtree(os.path.join(night, "siril", "work"), ignore_errors=True)
        env = dict(os.environ, HOME=os.path.join(night, "siril", "home"))
        return run(["siril-cli", "-d", os.path.join(night, "siril"), "-s", "night.ssf"], cwd=night, env=env)

    # (step, pelm input, peer name, peer runner, import-only command, target ratio[, pelm's environment])
    steps = [
        ("calibrate + find stars + save", dfs, "equal work: astropy + numpy, sample-median sky, sep above 100 ADU",
         lambda: run(peer("calibrate_extract_equal.py"), night),
         [PY, os.path.join(HERE, "peers", "calibrate_extract_equal.py"), "--import-only"], 0.25),
        ("calibrate + find stars + save", None, "astropy + numpy + sep with its background map",
         lambda: run(peer("calibrate_extract.py"), night),
         [PY, os.path.join(HERE, "peers", "calibrate_extract.py"), "--import-only"], None),
        ("calibrate + find stars + save", None, "source-extractor (on the saved frames)", sextractor, None, None),
        ("calibrate + find stars + save, PELM_THREADS=1", dfs, None, None, None, None, ONE_THREAD),
        ("input/output floor: raw frames read, corrected ones written", None, "bench_io_floor",
         lambda: run([os.path.join(build, "bench_io_floor"), night, str(FRAMES)], night), None, None),
        ("align 50 frames", align, None, None, None, None),
        ('aperture photometry, 10 objects ("soft")', phot, "photutils subpixel 20 + annulus",
         lambda: run(peer("aperture_phot.py"), night), [PY, os.path.join(HERE, "peers", "aperture_phot.py"), "--import-only"], 0.25),
        ("PSF photometry, 10 objects (psffilesal)", psf, "photutils BasicPSFPhotometry",
         lambda: run(peer("psf_phot.py"), night), [PY, os.path.join(HERE, "peers", "psf_phot.py"), "--import-only"], 0.25),
        ("integer shift-and-add (stack)", stack, "numpy shift-and-add", lambda: run(peer("shift_add.py"), night),
         [PY, os.path.join(HERE, "peers", "shift_add.py"), "--import-only"], 0.25),
        ("shift + rotation stack (rstack)", rstack, "scipy affine_transform order 1",
         lambda: run(peer("affine_stack.py"), night), [PY, os.path.join(HERE, "peers", "affine_stack.py"), "--import-only"], 0.25),
        ("the whole night (dfs, align, photometry, stack)", whole, "siril-cli calibrate, register, stack", siril, None, 0.3),
    ]
    pelm_times = {i: [] for i in range(len(steps))}
    peer_times = {i: [] for i in range(len(steps))}
    import_times = {i: [] for i in range(len(steps))}
    peak_kb = 0
    night_peak_kb = 0
    for r in range(args.runs):
        print(f"bench: run {r + 1} of {args.runs}", flush=True)
        for i, (name, text, _, runner, imp, _, *env) in enumerate(steps):
            if text is not None:
                # save asks before replacing a file an earlier session wrote: the stacks go first.
                for stacked in ("bench-stack.fit", "bench-rstack.fit"):
                    if os.path.exists(os.path.join(night, stacked)):
                        os.remove(os.path.join(night, stacked))
                s, kb = run(pelm, night, stdin_text=text, env=env[0] if env else None)
                pelm_times[i].append(s)
                peak_kb = max(peak_kb, kb)
                if i == len(steps) - 1:
                    night_peak_kb = max(night_peak_kb, kb)
            if runner is not None:
                s, _ = runner()
                peer_times[i].append(s)
            if imp is not None:
                s, _ = run(imp, night)
                import_times[i].append(s)

    def ms(values, minus=0.0):
        return (statistics.median(values) - minus) * 1000.0 / FRAMES

    rows = []
    holds_all = True
    last_pelm = None
    floor_ms = None
    for i, (name, text, peer_name, runner, imp, target, *env) in enumerate(steps):
        if peer_name == "bench_io_floor":
            floor_ms = ms(peer_times[i])
            rows.append((name, None, "(read and write alone)", floor_ms, None, None, None))
            continue
        if peer_name is None and env:
            rows.append((name, ms(pelm_times[i]), "(pelm alone)", None, None, None, None))
            continue
        p = ms(pelm_times[i]) if text is not None else last_pelm
        if text is not None:
            last_pelm = p
        q = ms(peer_times[i], statistics.median(import_times[i]) if imp else 0.0) if runner else None
        ratio = p / q if q else None
        holds = None if target is None or ratio is None else ratio <= target
        if holds is False:
            holds_all = False
        rows.append((name, p, peer_name or "(pelm alone)", q, ratio, target, holds))
    night_limit_mb = memory_limit_mb(1392, 1040)
    memory_ok = night_peak_kb / 1024 <= night_limit_mb
    holds_all = holds_all and memory_ok
    large = large_frames(build, args.large_runs, args.seed) if args.large_runs > 0 else None

    lines = ["| step | pelm ms/frame | peer | peer ms/frame | pelm ÷ peer | target | holds |",
             "|---|---:|---|---:|---:|---:|---|"]
    for name, p, peer_name, q, ratio, target, holds in rows:
        lines.append(f"| {name} | {'' if p is None else f'{p:.1f}'} | {peer_name} | {'' if q is None else f'{q:.1f}'} | "
                     f"{'' if ratio is None else f'{ratio:.2f}'} | {'' if target is None else f'≤ {target}'} | "
                     f"{'' if holds is None else ('yes' if holds else 'NO')} |")
    dfs_ms = rows[0][1]
    if floor_ms:
        lines.append(f"| pelm's dfs as a multiple of the input/output floor | {dfs_ms / floor_ms:.1f} × | | | | aim 2 × | |")
    lines.append(f"| peak resident memory of pelm, whole night | {night_peak_kb / 1024:.1f} MB | | | | ≤ {night_limit_mb:.0f} MB | "
                 f"{'yes' if memory_ok else 'NO'} |")
    if large is not None:
        pelm_s, peer_s, peak_kb, floor_s = large
        ratio = pelm_s / peer_s
        limit_mb = memory_limit_mb(LARGE_NX, LARGE_NY)
        large_ok = ratio <= 0.20 and peak_kb / 1024 <= limit_mb
        holds_all = holds_all and large_ok
        lines.append(f"| dfs, {LARGE_FRAMES} frames of {LARGE_NX} × {LARGE_NY} | {pelm_s * 1000 / LARGE_FRAMES:.1f} | "
                     f"equal work (as above) | {peer_s * 1000 / LARGE_FRAMES:.1f} | {ratio:.2f} | ≤ 0.2 | "
                     f"{'yes' if ratio <= 0.20 else 'NO'} |")
        lines.append(f"| input/output floor, {LARGE_NX} × {LARGE_NY} | | (read and write alone) | "
                     f"{floor_s * 1000 / LARGE_FRAMES:.1f} | | | |")
        lines.append(f"| pelm's dfs as a multiple of the floor, {LARGE_NX} × {LARGE_NY} | {pelm_s / floor_s:.1f} × | | | | "
                     f"aim 2 × | |")
        lines.append(f"| peak resident memory of pelm, dfs of {LARGE_NX} × {LARGE_NY} frames | {peak_kb / 1024:.1f} MB | | | | "
                     f"≤ {limit_mb:.0f} MB | {'yes' if peak_kb / 1024 <= limit_mb else 'NO'} |")
    cpu = ""
    try:
        with open("/proc/cpuinfo") as f:
            cpu = next((l.split(":", 1)[1].strip() for l in f if l.startswith("model name")), "")
    except OSError:
        pass
    load = os.getloadavg()
    machine = (f"{platform.node()}: {cpu}, {os.cpu_count()} cores, {platform.system()} {platform.release()}; "
               f"load average at the end {load[0]:.2f}")
    text = ["# Side-by-side benchmark", "",
            f"{FRAMES} synthetic frames of 1392 × 1040 (seed {args.seed}), {args.runs} runs each, median; "
            "whole processes, pelm and peer alternating; Python import time measured alone and subtracted. "
            "Milliseconds per frame."
            + (f" The large frames: {LARGE_FRAMES} of {LARGE_NX} × {LARGE_NY} (300 stars), {args.large_runs} runs, "
               "median, dfs alone." if large is not None else ""), "", f"Machine: {machine}.", f"Date: {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}.",
            "", *lines, "", f"All targets hold: {'yes' if holds_all else 'no'}.", "", *PEERS, ""]
    print("\n".join(lines))
    print(f"all targets hold: {'yes' if holds_all else 'no'}")
    with open(os.path.join(HERE, "RESULTS.md"), "w") as f:
        f.write("\n".join(text))
    print(f"bench: written to {os.path.join(HERE, 'RESULTS.md')}")


if __name__ == "__main__":
    main()
