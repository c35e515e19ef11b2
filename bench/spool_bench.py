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

Tavrin runs with TAVRIN_SPOOL_WAIT_MS=0 here, where a job counts as done
once CUPS accepted it, as `lp` does. With --delivery the measure is the
time until the bytes reached the printer instead: `tavrin /e:EJECT` as it
runs by default (it ends once the device took the job) against `lp`
followed by waiting until the backend has the job's bytes, each side timed
from its start to that moment, and every tavrin run checked for having
ended only after its bytes were delivered. Target: at most 0.9.

    python3 bench/spool_bench.py --delivery [--runs 40]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import time

import benchlib


def floor_sides(work, prog, queue):
    """What the program's design cannot go below, built here from
    bench/floor: "floor-c", a C program making the same two requests to
    CUPS and nothing else; "floor-c++", the same as C++ with the C++ runtime
    linked as the program links it, bound at load time to three empty
    libraries, one of which loads a fourth as it is loaded (as Scorpa loads
    the ASPI layer); "empty-libs", the program itself with its three
    load-time libraries replaced by empty ones with the same exports."""
    src = os.path.join(benchlib.ROOT, "bench", "floor")
    out = os.path.join(work, "floor")
    os.makedirs(out)

    def run(*cmd):
        subprocess.run(list(cmd), check=True)

    def empty(name, *defines):
        lib = os.path.join(out, name)
        run("cc", "-O2", "-shared", "-fPIC", *defines, "-o", lib, os.path.join(src, "empty.c"), "-ldl")
        return lib

    client = os.path.join(src, "client.cpp")
    run("cc", "-O2", "-x", "c", client, "-o", os.path.join(out, "floor-c"), "-lcups")
    d = empty("libfloord.so", "-DNAME=FloorLibraryD")
    libs = [empty("libfloora.so", "-DNAME=FloorLibraryA", f'-DLOADS="{d}"'),
            empty("libfloorb.so", "-DNAME=FloorLibraryB"), empty("libfloorc.so", "-DNAME=FloorLibraryC")]
    run("c++", "-O2", "-std=c++20", client, "-static-libstdc++", f"-Wl,-rpath,{out}", "-Wl,--no-as-needed", *libs,
        "-Wl,--as-needed", "-lcups", "-o", os.path.join(out, "floor-c++"))

    stubbed = os.path.join(work, "prog-empty-libs")
    shutil.copytree(prog, stubbed, symlinks=True)
    for lib in ("libscorpa.so", "libvelkit.so", "libdlportio.so"):
        real = os.path.realpath(os.path.join(stubbed, lib))
        exports = subprocess.run(["nm", "-D", "--defined-only", real], capture_output=True, text=True, check=True)
        funcs = [f.split()[2] for f in exports.stdout.splitlines() if len(f.split()) == 3 and f.split()[1] == "T"]
        header = os.path.join(out, lib + ".exports.h")
        with open(header, "w") as f:
            f.writelines(f'__attribute__((visibility("default"))) void {fn}(void) {{}}\n' for fn in funcs)
        soname = subprocess.run(["objdump", "-p", real], capture_output=True, text=True, check=True).stdout
        soname = next((l.split()[1] for l in soname.splitlines() if l.strip().startswith("SONAME")), lib)
        tmp = empty(lib + ".empty", f'-DEXPORTS="{header}"', f"-Wl,-soname,{soname}")
        # The loader opens the library by its soname.
        os.remove(os.path.join(stubbed, soname))
        shutil.copyfile(tmp, os.path.join(stubbed, soname))
    return {
        "floor-c": [os.path.join(out, "floor-c"), queue],
        "floor-c++": [os.path.join(out, "floor-c++"), queue],
        "empty-libs": [os.path.join(stubbed, "tavrin"), "/e:EJECT"],
    }


def delivery(prog, queue, payload, env, world, runs):
    """Wall time from the start to the delivery of the bytes: tavrin (which
    waits for it) against lp followed by watching the backend's folder."""
    jobs_dir = os.path.join(world, "jobs")

    def count():
        return len(os.listdir(jobs_dir)) // 2 if os.path.isdir(jobs_dir) else 0

    def wait_for(n):
        deadline = time.perf_counter() + 30
        while count() < n and time.perf_counter() < deadline:
            time.sleep(0.0005)

    tavrin_env = dict(env)
    tavrin_env.pop("TAVRIN_SPOOL_WAIT_MS", None)
    lp = shutil.which("lp") or "/usr/bin/lp"
    results = {"tavrin": [], "lp+wait": []}
    early = 0
    for i in range(runs):
        for name in (["tavrin", "lp+wait"] if i % 2 == 0 else ["lp+wait", "tavrin"]):
            before = count()
            start = time.perf_counter()
            if name == "tavrin":
                subprocess.run([os.path.join(prog, "tavrin"), "/e:EJECT"], env=tavrin_env, check=True)
                ended = time.perf_counter()
                if count() <= before:
                    early += 1
                wait_for(before + 1)
                results[name].append((ended - start) * 1000)
            else:
                subprocess.run([lp, "-d", queue, "-o", "raw", payload], env=env, check=True,
                               stdout=subprocess.DEVNULL)
                wait_for(before + 1)
                results[name].append((time.perf_counter() - start) * 1000)
    print(f"to delivery, {runs} runs of each side, alternating; median [quartiles] (min - max)")
    for name, rs in results.items():
        print(f"  {name:8} wall ms {benchlib.spread(rs)}")
    t, l = results["tavrin"], results["lp+wait"]
    ratio = statistics.median(t) / statistics.median(l)
    pairs = [a / b for a, b in zip(t, l)]
    print(f"ratio tavrin / (lp + wait), of the medians: {ratio:.3f} (target <= 0.9)")
    print(f"ratio pair by pair: {benchlib.spread(pairs)}")
    print(f"tavrin runs that ended before their bytes were delivered: {early} of {runs}")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--runs", type=int, default=40, help="runs of each side (default 40)")
    ap.add_argument("--build", default=os.path.join(benchlib.ROOT, "build", "default"))
    ap.add_argument("--program-dir", help="the program directory to measure (default: BUILD/bin)")
    ap.add_argument("--floor", action="store_true",
                    help="also measure what the architecture cannot go below (see floor_sides)")
    ap.add_argument("--compare", metavar="DIR", help="also measure another program directory (for example a "
                    "build from before a change)")
    ap.add_argument("--delivery", action="store_true",
                    help="measure the time to delivery instead (see above)")
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
        if args.delivery:
            delivery(prog, queue, payload, env, world, args.runs)
            return
        # Accepted means done, as for lp.
        env["TAVRIN_SPOOL_WAIT_MS"] = "0"
        sides = {
            "tavrin": [os.path.join(prog, "tavrin"), "/e:EJECT"],
            "lp": [shutil.which("lp") or "/usr/bin/lp", "-d", queue, "-o", "raw", payload],
        }
        if args.compare:
            other = benchlib.program_dir(args.compare, work, "prog-compare", benchlib.esc_ini(queue))
            sides["compared"] = [os.path.join(other, "tavrin"), "/e:EJECT"]
        if args.floor:
            sides.update(floor_sides(work, prog, queue))

        # Every side once a round, the order turning round by round.
        names = list(sides)
        results = {name: [] for name in sides}
        for i in range(args.runs):
            for k in range(len(names)):
                name = names[(i + k) % len(names)]
                results[name].append(benchlib.measure(spawn, sides[name], env, work))

        jobs = benchlib.wait_for_jobs(world, len(sides) * args.runs)
        print(f"jobs received: {len(jobs)} of {len(sides) * args.runs}, distinct payloads: {set(jobs)}")
        launcher_kib = max(r.launcher_kib for rs in results.values() for r in rs)
        print(f"runs of each side: {args.runs}, alternating; the launcher's own peak: {launcher_kib} KiB")
        print("median [quartiles] (min - max)")
        for name in sides:
            rs = results[name]
            print(f"  {name:7} wall ms  {benchlib.spread([r.wall_ms for r in rs])}")
            print(f"  {name:7} CPU ms   {benchlib.spread([r.cpu_ms for r in rs])}")
            print(f"  {name:7} peak KiB {benchlib.spread([r.peak_kib for r in rs])}")
        for name in sides:
            if name in ("tavrin", "lp"):
                continue
            rs = results[name]
            print(f"  {name:7} / lp: wall {statistics.median(r.wall_ms for r in rs) / statistics.median(r.wall_ms for r in results['lp']):.3f}"
                  f", peak {statistics.median(r.peak_kib for r in rs) / statistics.median(r.peak_kib for r in results['lp']):.3f}")
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
