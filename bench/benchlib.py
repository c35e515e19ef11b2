"""What the run benches share: a private CUPS server with queues feeding
the testbed backend, a program directory of the build's program, and the
launcher every measured run goes through.

Why a launcher of our own (tavrin-bench-spawn, bench/spawn.c): Linux keeps
a process's peak resident size across exec, so a program started straight
from this Python process reports Python's own size whenever its own peak is
smaller. The launcher is small (static where the C library allows it); its
own peak is printed with every run as the floor below which no figure can
go."""
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CUPSD_SCRIPT = os.path.join(ROOT, "testbed", "cups", "private-cupsd.sh")


def launcher(build):
    path = os.path.join(build, "bench-bin", "tavrin-bench-spawn")
    if not os.access(path, os.X_OK):
        sys.exit(f"{path} is missing: build the project first (cmake --build --preset default)")
    return path


class Run:
    def __init__(self, wall_ms, cpu_ms, peak_kib, launcher_kib):
        self.wall_ms = wall_ms
        self.cpu_ms = cpu_ms
        self.peak_kib = peak_kib
        self.launcher_kib = launcher_kib


def measure(spawn, argv, env, cwd):
    """One run of argv through the launcher: wall time and peak memory."""
    r = subprocess.run([spawn, "-q", "-d", cwd, *argv], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True)
    line = r.stderr.strip().splitlines()[-1] if r.stderr.strip() else ""
    fields = dict(f.split("=", 1) for f in line.split() if "=" in f)
    if r.returncode != 0 or "status" not in fields:
        sys.exit(f"{argv}: the launcher failed: {r.stderr}")
    if fields["status"] != "0":
        sys.exit(f"{argv} ended with status {fields['status']}")
    return Run(int(fields["wall_us"]) / 1000.0, int(fields["cpu_us"]) / 1000.0, int(fields["maxrss_kib"]),
               int(fields["self_kib"]))


def client_env(socket):
    """The environment both sides run in: the caller's own session (the
    locale changes what the CUPS client does), pointed at the server."""
    keep = ("PATH", "HOME", "USER", "LOGNAME", "LANG", "LANGUAGE", "TZ")
    env = {k: v for k, v in os.environ.items() if k in keep or k.startswith("LC_")}
    env.setdefault("PATH", "/usr/bin:/bin")
    env["CUPS_SERVER"] = socket
    return env


def quartiles(values):
    v = sorted(values)
    if len(v) < 2:
        return v[0], v[0], v[0]
    q = statistics.quantiles(v, n=4, method="inclusive")
    return q[0], q[1], q[2]


def spread(values, unit=""):
    """median [first - third quartile] (min - max)"""
    lo, med, hi = quartiles(values)
    return f"{med:.2f}{unit} [{lo:.2f} - {hi:.2f}] ({min(values):.2f} - {max(values):.2f})"


def machine():
    load = os.getloadavg()
    return (f"{platform.node()}, {os.cpu_count()} CPUs, {platform.platform()}, load average "
            f"{load[0]:.2f} {load[1]:.2f} {load[2]:.2f} at the start, {time.strftime('%Y-%m-%d %H:%M')}")


class Cupsd:
    """A private cupsd on a Unix socket in a temporary folder."""

    def __init__(self, build, work, name):
        self.dir = os.path.join(work, name)
        backend = os.path.join(build, "testbed", "tavrin-testbed-backend")
        subprocess.run(["bash", CUPSD_SCRIPT, "start", self.dir, backend], check=True)
        self.socket = os.path.join(self.dir, "cups.sock")

    def queue(self, name, world):
        subprocess.run(["bash", CUPSD_SCRIPT, "queue", self.dir, name, world], check=True)

    def queues(self, names, world):
        """Many queues, each made as a user would make it (lpadmin)."""
        env = dict(os.environ, CUPS_SERVER=self.socket)
        for n in names:
            subprocess.run(["lpadmin", "-p", n, "-E", "-v", f"tavrin-testbed:{world}", "-m", "raw"], env=env,
                           check=True, stderr=subprocess.DEVNULL)

    def stop(self):
        subprocess.run(["bash", CUPSD_SCRIPT, "stop", self.dir])


def workdir():
    work = tempfile.mkdtemp(prefix="tavrin-bench-")
    os.chmod(work, 0o755)
    return work


def world(work, name="world"):
    w = os.path.join(work, name)
    os.makedirs(w)
    os.chmod(w, 0o777)
    return w


def program_dir(source, work, name, ini_text):
    """A copy of the program directory with its own tavrin.ini."""
    prog = os.path.join(work, name)
    shutil.copytree(source, prog)
    with open(os.path.join(prog, "tavrin.ini"), "w") as f:
        f.write(ini_text)
    return prog


def esc_ini(queue):
    return (f"[PrinterConfiguration]\nPrinterName={queue}\nPrinterType=ESCPRINTERS\nPrinterMode=USB\n"
            "[ControlCommands]\nEject=ME\n")


def received(world_dir):
    """The jobs the testbed backend received, as their bytes."""
    jobs = os.path.join(world_dir, "jobs")
    if not os.path.isdir(jobs):
        return []
    return [open(os.path.join(jobs, j), "rb").read() for j in sorted(os.listdir(jobs)) if j.endswith(".bin")]


def wait_for_jobs(world_dir, count, timeout=60):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if len(received(world_dir)) >= count:
            return received(world_dir)
        time.sleep(0.2)
    return received(world_dir)
