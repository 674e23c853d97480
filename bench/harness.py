"""Running commands several times and turning the runs into a table.

Each run of a command gives its wall time, its CPU time (user + system, from
the kernel's accounting of the child) and its peak resident memory.
"""

import os
import signal
import statistics
import subprocess
import threading
import time


GNU_TIME = "/usr/bin/time"


class RunFailed(Exception):
    pass


class Sample:
    def __init__(self, wall, cpu, rss_kib):
        self.wall = wall
        self.cpu = cpu
        self.rss_kib = rss_kib


def measure(cmd, env=None, cwd=None, stdout=None, timeout=900):
    """Runs `cmd` once; a Sample, or RunFailed with the end of its errors.
    `stdout` is a path that receives the output (default: discarded)."""
    out = open(stdout, "wb") if stdout else subprocess.DEVNULL
    err_path = "/tmp/parcelo-bench-stderr-%d" % os.getpid()
    rss_path = "/tmp/parcelo-bench-rss-%d" % os.getpid()
    # The peak memory comes from GNU time: a child forked from this Python
    # process would count Python's own memory as its peak.
    cmd = [GNU_TIME, "-q", "-f", "%M", "-o", rss_path] + list(cmd)
    with open(err_path, "w+b") as err:
        start = time.monotonic()
        process = subprocess.Popen(cmd, env=env, cwd=cwd, stdout=out, stderr=err,
                                   stdin=subprocess.DEVNULL, start_new_session=True)
        timed_out = threading.Event()

        def stop():
            timed_out.set()
            os.killpg(process.pid, signal.SIGKILL)

        timer = threading.Timer(timeout, stop)
        timer.start()
        try:
            _, status, usage = os.wait4(process.pid, 0)
        finally:
            timer.cancel()
        wall = time.monotonic() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        err.seek(0)
        errors = err.read()[-600:].decode(errors="replace").strip()
    os.unlink(err_path)
    if stdout:
        out.close()
    rss = _read_rss(rss_path)
    if timed_out.is_set():
        raise RunFailed("stopped after %d s" % timeout)
    if process.returncode != 0:
        raise RunFailed("exit status %d: %s" % (process.returncode, errors))
    # The CPU time of GNU time includes that of the program it waited for.
    return Sample(wall, usage.ru_utime + usage.ru_stime, rss)


def _read_rss(path):
    try:
        with open(path) as f:
            text = f.read().split()
        os.unlink(path)
        return int(text[-1]) if text else 0
    except (OSError, ValueError):
        return 0


class Row:
    """One tool doing one piece of work: the values of its runs.

    kind "time": seconds (lower is better); "rss": peak memory in KiB.
    `amount` and `unit` turn a time into a rate for the table (e.g. bytes,
    "MiB/s"; entries, "lines/s")."""

    def __init__(self, work, tool, ours, kind="time", amount=None, unit=None, note=""):
        self.work = work
        self.tool = tool
        self.ours = ours
        self.kind = kind
        self.amount = amount
        self.unit = unit
        self.note = note
        self.values = []
        self.cpu = []
        self.rss = []
        self.walls = []
        self.error = ""

    def add(self, value, sample=None):
        self.values.append(value)
        if sample is not None:
            self.cpu.append(sample.cpu)
            self.rss.append(sample.rss_kib)
            self.walls.append(sample.wall)

    def fail(self, error):
        self.error = error

    @property
    def ok(self):
        return bool(self.values) and not self.error

    def median(self):
        return statistics.median(self.values)

    def rate(self):
        if not self.ok or not self.amount or self.kind != "time" or self.median() <= 0:
            return ""
        value = self.amount / self.median()
        if self.unit == "MiB/s":
            value /= 1 << 20
        return "%s %s" % (_figure(value), self.unit)


def _figure(value):
    if value >= 100:
        return "%.0f" % value
    if value >= 10:
        return "%.1f" % value
    return "%.2f" % value


def _show(row, value):
    if row.kind == "rss":
        return "%s MiB" % _figure(value / 1024)
    if value < 1:
        return "%.0f ms" % (value * 1000)
    return "%s s" % _figure(value)


def _cells(row, ours):
    if not row.ok:
        return [row.tool, "failed", "", "", "", row.error[:120]]
    median = _show(row, row.median())
    spread = "%s – %s" % (_show(row, min(row.values)), _show(row, max(row.values)))
    cpu = _show(row, statistics.median(row.cpu)) if row.cpu and row.kind == "time" else ""
    ratio = ""
    if not row.ours and ours is not None and ours.ok and row.median() > 0:
        ratio = "%.2f" % (ours.median() / row.median())
    note = " ".join(x for x in (row.rate(), row.note) if x)
    return [row.tool, "%s (%d)" % (median, len(row.values)), spread, cpu, ratio, note]


HEADER = ["Work", "Tool", "Median (runs)", "Min – max", "CPU", "Ours ÷ tool", "Notes"]


def table(groups):
    """A Markdown table; `groups` is a list of row lists, each led by ours."""
    lines = ["| " + " | ".join(HEADER) + " |", "|" + "---|" * len(HEADER)]
    for rows in groups:
        ours = next((r for r in rows if r.ours), None)
        for i, row in enumerate(rows):
            work = row.work if i == 0 else ""
            lines.append("| " + " | ".join([work] + _cells(row, ours)) + " |")
    return "\n".join(lines)


def worse_ratios(groups):
    """(work, tool, ratio, overlap) for every peer the system is behind;
    `overlap` when the two tools' min–max ranges overlap, so that the
    difference is within the spread of the runs."""
    found = []
    for rows in groups:
        ours = next((r for r in rows if r.ours), None)
        if ours is None or not ours.ok:
            continue
        for row in rows:
            if not row.ours and row.ok and row.median() > 0 and ours.median() / row.median() > 1:
                overlap = len(ours.values) > 1 and min(ours.values) <= max(row.values)
                found.append((row.work, row.tool, ours.median() / row.median(), overlap))
    return found
