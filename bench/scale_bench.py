#!/usr/bin/env python3
"""How the cost of one card movement grows with what is around it:
`tavrin /e:EJECT` (ESCPRINTERS on USB, one raw job) against a CUPS server
with 1, 100 and 1000 queues, and with a configuration file of 1 MiB (the
printer's keys after a mebibyte of other sections), on private CUPS servers
feeding the testbed backend.

The four cases run in turns, round after round, each through
tavrin-bench-spawn (see benchlib.py). Reported for each case: the median
wall time and peak memory with quartiles and extremes, and the wall time
ratio to the smallest case (one queue, a small file). Target: every ratio
at most 1.10 (the run asks for its one printer, and reads its file once).

    python3 bench/scale_bench.py [--runs 40] [--build build/default]
"""
import argparse
import os
import shutil
import statistics
import time

import benchlib

QUEUE = "Bench_Card_Printer"


def big_ini(target_bytes):
    """Other programs' sections first, a mebibyte of them, then ours."""
    parts = []
    size = 0
    i = 0
    while size < target_bytes:
        block = (f"[Station Settings {i:05d}]\nLastOperator=operator{i % 97:02d}\n"
                 f"WindowPlacement=0,1,{i % 800},{i % 600},1024,768\nRecentFile=C:\\Cards\\batch{i:05d}.csv\n\n")
        parts.append(block)
        size += len(block)
        i += 1
    return "".join(parts) + benchlib.esc_ini(QUEUE)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--runs", type=int, default=40, help="runs of each case (default 40)")
    ap.add_argument("--build", default=os.path.join(benchlib.ROOT, "build", "default"))
    ap.add_argument("--program-dir", help="the program directory to measure (default: BUILD/bin)")
    args = ap.parse_args()

    spawn = benchlib.launcher(args.build)
    source = args.program_dir or os.path.join(args.build, "bin")
    work = benchlib.workdir()
    print(f"machine: {benchlib.machine()}")
    servers = []
    try:
        worlds = []
        cases = []
        for queues in (1, 100, 1000):
            cupsd = benchlib.Cupsd(args.build, work, f"cupsd-{queues}")
            servers.append(cupsd)
            # Each server's backend numbers its jobs: one world each.
            world = benchlib.world(work, f"world-{queues}")
            worlds.append(world)
            cupsd.queue(QUEUE, world)
            # The others around ours, made as a user would make them.
            cupsd.queues([f"Other_Printer_{n:04d}" for n in range(1, queues)], world)
            prog = benchlib.program_dir(source, work, f"prog-{queues}", benchlib.esc_ini(QUEUE))
            cases.append((f"{queues} queue{'s' if queues > 1 else ''}, small file", cupsd, prog))
        prog = benchlib.program_dir(source, work, "prog-big", big_ini(1 << 20))
        ini_size = os.path.getsize(os.path.join(prog, "tavrin.ini"))
        cases.append((f"1 queue, {ini_size / 1048576:.2f} MiB file", servers[0], prog))
        # A configuration file is written once and read by many runs; one
        # written a moment ago is read afresh each time (see GetFileStamp).
        time.sleep(2.5)

        results = {name: [] for name, _, _ in cases}
        for i in range(args.runs):
            for k in range(len(cases)):
                name, cupsd, prog = cases[(i + k) % len(cases)]
                env = benchlib.client_env(cupsd.socket)
                results[name].append(benchlib.measure(spawn, [os.path.join(prog, "tavrin"), "/e:EJECT"], env, work))

        expected = [2 * args.runs, args.runs, args.runs]  # the first server serves two cases
        jobs = [j for world, n in zip(worlds, expected) for j in benchlib.wait_for_jobs(world, n)]
        print(f"jobs received: {len(jobs)} of {len(cases) * args.runs}, distinct payloads: {set(jobs)}")
        launcher_kib = max(r.launcher_kib for rs in results.values() for r in rs)
        print(f"runs of each case: {args.runs}, in turns; the launcher's own peak: {launcher_kib} KiB")
        base = statistics.median(r.wall_ms for r in results[cases[0][0]])
        base_cpu = statistics.median(r.cpu_ms for r in results[cases[0][0]])
        print(f"{'case':28} {'wall ms: median [quartiles] (min - max)':44} {'ratio':>6}  {'CPU ms':>7} {'ratio':>6}"
              f"  peak KiB (median)")
        for name, _, _ in cases:
            rs = results[name]
            wall = [r.wall_ms for r in rs]
            cpu = statistics.median(r.cpu_ms for r in rs)
            print(f"{name:28} {benchlib.spread(wall):44} {statistics.median(wall) / base:6.3f}  {cpu:7.2f} "
                  f"{cpu / base_cpu:6.3f}  {statistics.median(r.peak_kib for r in rs):.0f}")
        print("target: every wall time ratio at most 1.10 (CPU time: the program's own user and system time)")
    finally:
        for cupsd in servers:
            cupsd.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
