#!/usr/bin/env python3
"""How well outputs land on the size the program estimates.

Builds a realistic corpus with ffmpeg from Debian's own pictures (a slow zoom
and pan over a photographic wallpaper from mate-backgrounds, moving test
graphics, a grainy still picture; each with music-like stereo sound), then
for every profile and every source, at the profile's default choices and at
the lowest and the highest quality:

  transcast-cli probe    the estimate (the "estimate N kb/s" field, the
                         bitrate behind "Output Size")
  transcast-cli convert  the real file, with register.dat's rate control

and prints real bytes / estimated bytes per encoder family and overall.
Where the rate control changes the ffmpeg command (register.dat --explain
with TRANSCAST_RATE_CONTROL on and off differ), the same conversion also
runs without it, right after, for the time ratio and the sizes before.

Goal: at least 95 % of cases within +-15 %, none above +25 %, and rate
control costing at most 1.3x the time.

  bench/estimate/estimate_accuracy.py build/bin                  # everything
  bench/estimate/estimate_accuracy.py build/bin --seconds 8 --sources pan
  bench/estimate/estimate_accuracy.py build/bin --profiles 1-14,112-114

Needs the mate-backgrounds package (bench/estimate/install-deps). Results
are appended to WORK/results.jsonl, so an interrupted run resumes where it
stopped when given the same --work folder.
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

PHOTO = Path("/usr/share/backgrounds/mate/nature/GreenMeadow.jpg")
GRAIN_PHOTO = Path("/usr/share/backgrounds/mate/nature/Wood.jpg")
# A chord with a slow tremolo and a little vibrato, and pink noise under it:
# enough spectral content that the audio encoders work as on music.
MUSIC = (
    "aevalsrc=0.2*sin(2*PI*220*t)+0.12*sin(2*PI*277.2*t)*(0.5+0.5*sin(2*PI*2*t))"
    "+0.1*sin(2*PI*329.6*t*(1+0.002*sin(2*PI*5*t)))"
    "|0.2*sin(2*PI*220.5*t)+0.12*sin(2*PI*164.8*t)"
    "+0.08*sin(2*PI*440*t)*(0.5+0.5*sin(2*PI*3*t)):s=44100"
)
QUALITIES = {
    "default": [],
    "lowest": ["--video", "Lower Quality", "--audio", "Lower Quality"],
    "highest": ["--video", "Higher Quality", "--audio", "Higher Quality"],
}


def run(cmd, env=None, check=True):
    return subprocess.run(cmd, env=env, check=check, capture_output=True, text=True)


def make_source(kind, path, seconds):
    """One 1280x720 25 fps H.264/AAC clip of the corpus."""
    if path.exists():
        return
    audio = ["-f", "lavfi", "-i", MUSIC + ",aformat=channel_layouts=stereo",
             "-f", "lavfi", "-i", "anoisesrc=color=pink:amplitude=0.03:r=44100"]
    if kind == "pan":
        video = ["-loop", "1", "-framerate", "25", "-i", str(PHOTO)]
        picture = ("scale=1920:-2,zoompan=z='1.15+0.001*on':x='iw/2-(iw/zoom/2)+on*0.7':"
                   "y='ih/2-(ih/zoom/2)':d=1:s=1280x720:fps=25,noise=alls=4:allf=t")
    elif kind == "graphics":
        video = ["-f", "lavfi", "-i", "testsrc2=s=1280x720:r=25"]
        picture = "null"
    else:  # grain
        video = ["-loop", "1", "-framerate", "25", "-i", str(GRAIN_PHOTO)]
        picture = ("scale=1280:720:force_original_aspect_ratio=increase,crop=1280:720,"
                   "noise=alls=10:allf=t+u")
    mix = ["-filter_complex",
           f"[0:v]{picture},format=yuv420p[v];[1:a][2:a]amix=inputs=2:normalize=0[a]",
           "-map", "[v]", "-map", "[a]"]
    tmp = path.with_suffix(".part.mp4")
    run(["ffmpeg", "-v", "error", "-nostdin", "-y", *video, *audio, *mix, "-t", str(seconds),
         "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-c:a", "aac", "-b:a", "192k",
         str(tmp)])
    tmp.rename(path)


def parse_ranges(text):
    numbers = set()
    for part in text.split(","):
        if "-" in part:
            a, b = part.split("-")
            numbers.update(range(int(a), int(b) + 1))
        elif part:
            numbers.add(int(part))
    return numbers


def family_of(words):
    """The encoder family from a dry-run command line's words."""
    def value(name):
        return words[words.index(name) + 1] if name in words else None
    target = value("-target")
    if target:
        return "disc " + target.split("-", 1)[1]
    if "-vn" in words:
        return "audio " + (value("-acodec") or "default")
    return value("-vcodec") or "default"


def run_timed(cmd, env):
    """Runs cmd; returns its exit status, its output, and its wall and CPU
    seconds (its own and its descendants', which each parent reaps)."""
    with tempfile.TemporaryFile() as out:
        start = time.monotonic()
        child = subprocess.Popen(cmd, env=env, stdout=out, stderr=subprocess.STDOUT)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.monotonic() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        text = out.read().decode(errors="replace")
    return child.returncode, text, wall, usage.ru_utime + usage.ru_stime


class Bench:
    def __init__(self, args):
        self.bin = Path(args.bin_dir).resolve()
        self.cli = str(self.bin / "transcast-cli")
        self.encoder = str(self.bin / "register.dat")
        self.work = Path(args.work)
        self.args = args

    def env(self, rate_control):
        env = dict(os.environ)
        env["TRANSCAST_RATE_CONTROL"] = "1" if rate_control else "0"
        return env

    def case(self, profile, source, quality):
        """Converts one case; returns its record, or None when the choice does
        not apply to the profile."""
        args = ["--profile", str(profile), *QUALITIES[quality]]
        probe = run([self.cli, "probe", *args, str(source)], check=False)
        if probe.returncode == 2:
            # A quality box the profile does not have: keep the one it has.
            for keep in (["--audio"], ["--video"]):
                trimmed = ["--profile", str(profile)]
                q = QUALITIES[quality]
                for i in range(0, len(q), 2):
                    if q[i] in keep:
                        trimmed += q[i:i + 2]
                probe = run([self.cli, "probe", *trimmed, str(source)], check=False)
                if probe.returncode == 0:
                    args = trimmed
                    break
            if probe.returncode != 0 or args == ["--profile", str(profile)]:
                return None
        row = probe.stdout.splitlines()[1].split("\t")
        estimate_kbps = int(row[6].split()[1])
        h, m, s = (int(x) for x in row[2].split(":"))
        seconds = h * 3600 + m * 60 + s

        out = Path(tempfile.mkdtemp(dir=self.work))
        try:
            dry = run([self.cli, "convert", *args, "--output", str(out), "--dry-run",
                       str(source)]).stdout.strip()
            words = dry.split()
            family = family_of(words)
            explained = [run([self.encoder, "--explain", *words[1:]], env=self.env(rc)).stdout
                         for rc in (True, False)]
            record = {"profile": profile, "source": source.stem, "quality": quality,
                      "family": family, "estimate_kbps": estimate_kbps, "seconds": seconds,
                      "args": args, "rate_controlled": explained[0] != explained[1]}
            sides = [True, False] if record["rate_controlled"] else [True]
            for rc in sides:
                shutil.rmtree(out, ignore_errors=True)
                status, text, wall, cpu = run_timed(
                    [self.cli, "convert", *args, "--output", str(out), str(source)], self.env(rc))
                files = list(out.glob("*")) if out.exists() else []
                size = files[0].stat().st_size if files and status == 0 else 0
                key = "rc" if rc else "plain"
                record[key] = {"bytes": size, "wall": wall, "cpu": cpu, "status": status}
            return record
        finally:
            shutil.rmtree(out, ignore_errors=True)


def ratio(record, side="rc"):
    estimate = record["estimate_kbps"] * record["seconds"] * 1000 / 8
    return record[side]["bytes"] / estimate if estimate > 0 else float("inf")


def summary_line(name, ratios):
    within = sum(1 for r in ratios if abs(r - 1) <= 0.15)
    above = sum(1 for r in ratios if r > 1.25)
    return (f"| {name} | {len(ratios)} | {statistics.median(ratios):.2f} | {min(ratios):.2f} | "
            f"{max(ratios):.2f} | {100 * within / len(ratios):.0f} % | {above} |")


def report(records):
    done = [r for r in records if r["rc"]["status"] == 0 and r["rc"]["bytes"] > 0]
    failed = [r for r in records if r not in done]
    families = sorted({r["family"] for r in done})
    lines = ["| family | cases | median | min | max | within +-15 % | above +25 % |",
             "| --- | --- | --- | --- | --- | --- | --- |"]
    for family in families:
        lines.append(summary_line(family, [ratio(r) for r in done if r["family"] == family]))
    lines.append(summary_line("**all**", [ratio(r) for r in done]))
    paired = [r for r in done if r["rate_controlled"] and r.get("plain", {}).get("bytes")]
    if paired:
        before = [ratio(r, "plain") for r in paired]
        lines.append("")
        lines.append(f"Without rate control, the {len(paired)} cases it changes: "
                     f"{summary_line('before', before)}")
        wall = sum(r["rc"]["wall"] for r in paired) / sum(r["plain"]["wall"] for r in paired)
        cpu = sum(r["rc"]["cpu"] for r in paired) / sum(r["plain"]["cpu"] for r in paired)
        lines.append(f"Time with / without rate control over those cases: wall {wall:.2f}x, "
                     f"cpu {cpu:.2f}x")
    worst = sorted(done, key=ratio, reverse=True)[:8]
    lines.append("")
    lines.append("Largest real/estimate: " + ", ".join(
        f"{r['profile']}/{r['source']}/{r['quality']} {ratio(r):.2f}" for r in worst))
    low = sorted(done, key=ratio)[:8]
    lines.append("Smallest real/estimate: " + ", ".join(
        f"{r['profile']}/{r['source']}/{r['quality']} {ratio(r):.2f}" for r in low))
    if failed:
        lines.append("Failed conversions: " + ", ".join(
            f"{r['profile']}/{r['source']}/{r['quality']}" for r in failed))
    # bench/run's result lines.
    ratios = [ratio(r) for r in done]
    if ratios:
        within = 100 * sum(1 for r in ratios if abs(r - 1) <= 0.15) / len(ratios)
        above = sum(1 for r in ratios if r > 1.25)
        lines.append(f"bench-result: outputs within +-15 % of the estimate ({len(ratios)} cases) | "
                     f"{within:.0f} % | - | - | ours >= 95")
        lines.append(f"bench-result: outputs above +25 % of the estimate | {above} | - | - | ours <= 0")
    if paired:
        rc_wall = sum(r["rc"]["wall"] for r in paired)
        plain_wall = sum(r["plain"]["wall"] for r in paired)
        lines.append(f"bench-result: conversions with vs without rate control (wall) | "
                     f"{rc_wall:.1f} s | {plain_wall:.1f} s | {rc_wall / plain_wall:.3f} | "
                     f"ratio <= 1.3")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bin_dir")
    parser.add_argument("--seconds", type=int, default=20)
    parser.add_argument("--sources", default="pan,graphics,grain")
    parser.add_argument("--profiles", default="1-131")
    parser.add_argument("--qualities", default="default,lowest,highest")
    parser.add_argument("--jobs", type=int, default=1)
    parser.add_argument("--work", default=None)
    parser.add_argument("--report-only", action="store_true")
    args = parser.parse_args()

    if args.work is None:
        args.work = tempfile.mkdtemp(prefix="transcast-estimate-")
    work = Path(args.work)
    work.mkdir(parents=True, exist_ok=True)
    results = work / "results.jsonl"
    records = [json.loads(line) for line in results.read_text().splitlines()] \
        if results.exists() else []

    if not args.report_only:
        for photo in (PHOTO, GRAIN_PHOTO):
            if not photo.exists():
                sys.exit(f"{photo} is missing: run bench/estimate/install-deps")
        sources = []
        for kind in args.sources.split(","):
            path = work / f"{kind}{args.seconds}.mp4"
            make_source(kind, path, args.seconds)
            sources.append(path)
        bench = Bench(args)
        listed = run([bench.cli, "profiles"]).stdout.splitlines()
        wanted = parse_ranges(args.profiles)
        profiles = [int(line.split("\t")[0]) for line in listed
                    if int(line.split("\t")[0]) in wanted]
        seen = {(r["profile"], r["source"], r["quality"]) for r in records}
        cases = [(p, s, q) for p in profiles for s in sources
                 for q in args.qualities.split(",") if (p, s.stem, q) not in seen]
        print(f"{len(cases)} cases to convert ({len(seen)} done before)", flush=True)
        with open(results, "a") as sink, ThreadPoolExecutor(max_workers=args.jobs) as pool:
            for i, record in enumerate(pool.map(lambda c: bench.case(*c), cases)):
                if record is None:
                    continue
                records.append(record)
                sink.write(json.dumps(record) + "\n")
                sink.flush()
                if i % 20 == 0:
                    print(f"  {i + 1}/{len(cases)}", flush=True)

    print(report(records))


if __name__ == "__main__":
    main()
