#!/usr/bin/env python3
"""One card movement through the spooler: `tavrin /e:EJECT` for an
ESCPRINTERS printer on USB against the CUPS client sending the same bytes
(`lp -d QUEUE -o raw FILE`), on a private CUPS server whose queue feeds the
testbed backend, in one run with alternating repetitions.

Each side is started through tavrin-bench-spawn (see benchlib.py), which
gives its own wall time and peak resident set. Reported: the medians with
quartiles and extremes, the ratio tavrin / lp of the medians, and the
spread of the ratio taken pair by pair (each tavrin run with the lp run next
to it). Targets: wall time ratio at most 0.9, peak memory ratio at most 1.0.

    python3 bench/spool_bench.py [--runs 40] [--build build/default]
"""
import argparse
import os
import shutil
import statistics

import benchlib


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--runs", type=int, default=40, help="runs of each side (default 40)")
    ap.add_argument("--build", default=os.path.join(benchlib.ROOT, "build", "default"))
    ap.add_argument("--program-dir", help="the program directory to measure (default: BUILD/bin)")
    args = ap.parse_args()

    spawn = benchlib.launcher(args.build)
    work = benchlib.workdir()
    print(f"machine: {benchlib.machine()}")
    print(f"environment of both sides: {sorted(benchlib.client_env('').keys())}")
    cupsd = benchlib.Cupsd(args.build, work, "cupsd")
    try:
        world = benchlib.world(work)
        queue = "Bench_Card_Printer"
        cupsd.queue(queue, world)
        prog = benchlib.program_dir(args.program_dir or os.path.join(args.build, "bin"), work, "prog",
                                    benchlib.esc_ini(queue))
        payload = os.path.join(work, "eject.bin")
        with open(payload, "wb") as f:
            f.write(b"\x1bME\r\n")  # the bytes tavrin sends for EJECT
        env = benchlib.client_env(cupsd.socket)
        sides = {
            "tavrin": [os.path.join(prog, "tavrin"), "/e:EJECT"],
            "lp": [shutil.which("lp") or "/usr/bin/lp", "-d", queue, "-o", "raw", payload],
        }

        results = {name: [] for name in sides}
        for i in range(args.runs):
            order = ["tavrin", "lp"] if i % 2 == 0 else ["lp", "tavrin"]
            for name in order:
                results[name].append(benchlib.measure(spawn, sides[name], env, work))

        jobs = benchlib.wait_for_jobs(world, 2 * args.runs)
        print(f"jobs received: {len(jobs)} of {2 * args.runs}, distinct payloads: {set(jobs)}")
        launcher_kib = max(r.launcher_kib for rs in results.values() for r in rs)
        print(f"runs of each side: {args.runs}, alternating; the launcher's own peak: {launcher_kib} KiB")
        print("median [quartiles] (min - max)")
        for name in sides:
            rs = results[name]
            print(f"  {name:7} wall ms  {benchlib.spread([r.wall_ms for r in rs])}")
            print(f"  {name:7} CPU ms   {benchlib.spread([r.cpu_ms for r in rs])}")
            print(f"  {name:7} peak KiB {benchlib.spread([r.peak_kib for r in rs])}")
        t, l = results["tavrin"], results["lp"]
        wall = statistics.median(r.wall_ms for r in t) / statistics.median(r.wall_ms for r in l)
        peak = statistics.median(r.peak_kib for r in t) / statistics.median(r.peak_kib for r in l)
        pair_wall = [a.wall_ms / b.wall_ms for a, b in zip(t, l)]
        pair_peak = [a.peak_kib / b.peak_kib for a, b in zip(t, l)]
        print(f"ratio tavrin / lp, of the medians: wall {wall:.3f} (target <= 0.9), peak {peak:.3f} (target <= 1.0)")
        print(f"ratio pair by pair: wall {benchlib.spread(pair_wall)}")
        print(f"                    peak {benchlib.spread(pair_peak)}")
    finally:
        cupsd.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
