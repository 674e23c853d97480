"""Benchmarks of parcelo-cli and the library against the tools its users would
otherwise use, side by side in one run, as ratios (ours ÷ peer; above 1 means
we are slower or bigger). Prints the table and writes bench/results/latest.md.

    /usr/bin/python3 bench/bench.py --build BUILD_DIR [--runs N] [--scale F]
                                    [--only case,case] [--out FILE]

Figures only: nothing here fails a build. The exit status is 1 only when the
benchmark itself could not run (no vsftpd, no programs).
"""

import argparse
import datetime
import os
import platform
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import cases  # noqa: E402
from harness import table, worse_ratios  # noqa: E402
from vsftpd import Vsftpd  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
# What the profiles of the rows behind a peer showed, and what was fixed:
# written by hand, appended to every report.
FINDINGS = os.path.join(HERE, "findings.md")


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", required=True, help="the CMake build folder")
    p.add_argument("--runs", type=int, default=3, help="runs of each tool per piece of work (default 3)")
    p.add_argument("--scale", type=float, default=1.0,
                   help="data sizes and counts times this factor (default 1: the full sizes)")
    p.add_argument("--timeout", type=int, default=180, help="the longest one run may take, in seconds")
    p.add_argument("--only", default="", help="comma-separated cases: " + ",".join(n for n, _ in cases.CASES))
    p.add_argument("--out", default=os.path.join(HERE, "results", "latest.md"), help="the Markdown report")
    p.add_argument("--scratch", default=None, help="folder for the data (default: a new temporary folder)")
    return p.parse_args()


def first_line(cmd):
    try:
        done = subprocess.run(cmd, capture_output=True, text=True, timeout=10)
        text = (done.stdout or done.stderr).strip().splitlines()
        return text[0].strip() if text else "?"
    except (OSError, subprocess.TimeoutExpired):
        return "not found"


def cpu_model():
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return platform.processor() or "?"


def memory_gib():
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemTotal:"):
                return int(line.split()[1]) / (1 << 20)
    return 0


def os_name():
    try:
        with open("/etc/os-release") as f:
            for line in f:
                if line.startswith("PRETTY_NAME="):
                    return line.split("=", 1)[1].strip().strip('"')
    except OSError:
        pass
    return platform.system()


def load():
    one, five, fifteen = os.getloadavg()
    return "%.2f, %.2f, %.2f" % (one, five, fifteen)


def machine(args, scratch, started):
    disk = shutil.disk_usage(scratch)
    return [
        "- Machine: %s, %d CPUs, %.1f GiB RAM; %s, Linux %s" % (
            cpu_model(), os.cpu_count(), memory_gib(), os_name(), platform.release()),
        "- Scratch folder: %s (%.0f GiB free); FTP server vsftpd on 127.0.0.1, passive mode" % (
            scratch, disk.free / (1 << 30)),
        "- Peers (Debian packages): " + ", ".join(
            "%s %s" % (name, package_version(name)) for name in PEERS),
        "- Runs: %d per tool (the one-file rows: %d, the memory rows and the distant 2,000 small files: 1), interleaved tool by tool, "
        "each round starting with the next tool; scale %g%s" % (
            args.runs, max(args.runs, cases.LARGE_FILE_RUNS), args.scale, "" if args.scale == 1 else " (sizes reduced: not the full benchmark)"),
        "- Started %s; load average at the start %s" % (started, load()),
    ]


PEERS = ("vsftpd", "curl", "lftp", "zip", "python3", "sqlite3")


def package_version(name):
    return first_line(["dpkg-query", "-W", "-f=${Version}", name])


def check_programs(ctx):
    missing = [p for p in (ctx.cli, ctx.listing_bench, ctx.db_bench) if not os.access(p, os.X_OK)]
    for tool in ("vsftpd", "lftp", "curl", "zip", "unzip", "sqlite3"):
        if not shutil.which(tool) and not os.path.exists("/usr/sbin/" + tool):
            missing.append(tool)
    return missing


def report(lines, groups, args, started_at):
    out = list(lines)
    out.append("- Finished after %.0f s; load average at the end %s" % (time.monotonic() - started_at, load()))
    out += ["", "Times are wall-clock seconds of the whole program (start, login, work, exit) unless the "
            "row says otherwise; CPU is its user + system time; memory is the peak resident set. "
            "Ours ÷ tool above 1.00 means the system is slower (or bigger) than that tool.", ""]
    out.append(table(groups))
    behind = worse_ratios(groups)
    out += ["", "Behind a peer (ours ÷ tool > 1): %d row(s)%s" % (len(behind), ":" if behind else ".")]
    out += ["- %s — %s: %.2f%s" % (work, tool, ratio, " (the runs' ranges overlap: within their spread)"
                                    if overlap else "") for work, tool, ratio, overlap in behind]
    if os.path.exists(FINDINGS):
        with open(FINDINGS) as f:
            out += ["", f.read().strip()]
    return "\n".join(out) + "\n"


def stop_on_signal(signum, frame):
    # A stopped benchmark still stops its server and removes its user and data.
    raise SystemExit(128 + signum)


def main():
    signal.signal(signal.SIGTERM, stop_on_signal)
    signal.signal(signal.SIGHUP, stop_on_signal)
    args = parse_args()
    only = set(filter(None, args.only.split(",")))
    unknown = only - {name for name, _ in cases.CASES}
    if unknown:
        sys.exit("unknown case(s): " + ", ".join(sorted(unknown)))
    if os.geteuid() != 0:
        sys.exit("the benchmark starts vsftpd with a local user of its own: run it as root")
    started = datetime.datetime.now().strftime("%Y-%m-%d %H:%M")
    started_at = time.monotonic()
    scratch = args.scratch or tempfile.mkdtemp(prefix="parcelo-bench-")
    os.makedirs(scratch, exist_ok=True)
    build = os.path.abspath(args.build)
    lines = None
    groups = []
    try:
        with Vsftpd(scratch) as server:
            ctx = cases.Context(build, scratch, server, args.runs, args.scale,
                                log=lambda text: print("..", text, flush=True), timeout=args.timeout)
            missing = check_programs(ctx)
            if missing:
                sys.exit("missing: " + ", ".join(missing) + " (make bench builds and installs them)")
            lines = machine(args, scratch, started)
            print("\n".join(lines), flush=True)
            for name, case in cases.CASES:
                if only and name not in only:
                    continue
                began = time.monotonic()
                groups += case(ctx)
                # What a case wrote reaches the disk before the next one is
                # timed, so that no tool pays for another's write-back.
                os.sync()
                ctx.log("  (%s: %.0f s, load average %s)" % (name, time.monotonic() - began, load()))
    finally:
        if not args.scratch:
            shutil.rmtree(scratch, ignore_errors=True)
    text = report(lines, groups, args, started_at)
    print()
    print(text)
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    with open(args.out, "w") as f:
        f.write("# Benchmarks against peer tools\n\n" + text)
    print("Written to", args.out)


if __name__ == "__main__":
    main()
