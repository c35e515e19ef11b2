#!/usr/bin/env python3
"""One card command through the spooler: `tavrin /e:EJECT` for an ESCPRINTERS
printer on USB against the CUPS client sending the same bytes
(`lp -d QUEUE -o raw`), in one run with alternating repetitions, on a
private CUPS server whose queue feeds the testbed backend.

Reports the medians of wall time and peak memory (maximum resident set of
the process) and their ratio tavrin / lp. Target: both ratios <= 1.0.

    python3 bench/spool_bench.py [--runs N] [--build build/default]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def measure(argv, env, cwd):
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        os.chdir(cwd)
        fd = os.open(os.devnull, os.O_RDWR)
        os.dup2(fd, 0)
        os.dup2(fd, 1)
        os.execve(argv[0], argv, env)
    _, status, usage = os.wait4(pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{argv} failed with {status}")
    return elapsed * 1000.0, usage.ru_maxrss  # ms, KiB


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=40)
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "default"))
    ap.add_argument("--program-dir", help="the program directory to measure (default: BUILD/bin)")
    args = ap.parse_args()

    work = tempfile.mkdtemp(prefix="tavrin-bench-")
    cups = os.path.join(work, "cupsd")
    world = os.path.join(work, "world")
    prog = os.path.join(work, "prog")
    os.makedirs(world)
    os.chmod(work, 0o755)
    os.chmod(world, 0o777)
    script = os.path.join(ROOT, "testbed", "cups", "private-cupsd.sh")
    subprocess.run(["bash", script, "start", cups, os.path.join(args.build, "testbed", "tavrin-testbed-backend")], check=True)
    try:
        queue = "Bench_Card_Printer"
        subprocess.run(["bash", script, "queue", cups, queue, world], check=True)
        shutil.copytree(args.program_dir or os.path.join(args.build, "bin"), prog)
        with open(os.path.join(prog, "tavrin.ini"), "w") as f:
            f.write(f"[PrinterConfiguration]\nPrinterName={queue}\nPrinterType=ESCPRINTERS\nPrinterMode=USB\n"
                    "[ControlCommands]\nEject=ME\n")
        payload = os.path.join(work, "eject.bin")
        with open(payload, "wb") as f:
            f.write(b"\x1bME\r\n")  # the bytes tavrin sends for EJECT
        env = {"PATH": "/usr/bin:/bin", "CUPS_SERVER": os.path.join(cups, "cups.sock")}
        tavrin = [os.path.join(prog, "tavrin"), "/e:EJECT"]
        lp = [shutil.which("lp") or "/usr/bin/lp", "-d", queue, "-o", "raw", payload]

        results = {"tavrin": [], "lp": []}
        for i in range(args.runs):
            order = [("tavrin", tavrin), ("lp", lp)] if i % 2 == 0 else [("lp", lp), ("tavrin", tavrin)]
            for name, argv in order:
                results[name].append(measure(argv, env, work))

        jobs = sorted(os.listdir(os.path.join(world, "jobs")))
        same = {open(os.path.join(world, "jobs", j), "rb").read() for j in jobs if j.endswith(".bin")}
        print(f"jobs received: {len([j for j in jobs if j.endswith('.bin')])}, distinct payloads: {same}")

        med = {n: (statistics.median(t for t, _ in r), statistics.median(m for _, m in r)) for n, r in results.items()}
        print(f"runs each: {args.runs} (alternating)")
        print(f"{'':8}{'wall ms (median)':>18}{'peak KiB (median)':>20}")
        for n in ("tavrin", "lp"):
            print(f"{n:8}{med[n][0]:18.2f}{med[n][1]:20.0f}")
        print(f"ratio   {med['tavrin'][0] / med['lp'][0]:18.2f}{med['tavrin'][1] / med['lp'][1]:20.2f}")
    finally:
        subprocess.run(["bash", script, "stop", cups])
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
