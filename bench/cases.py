"""The work measured, each against its peers, on one vsftpd on loopback.

Every case makes its data, then runs each tool in turn (ours, then the peers,
round after round, so that a change in the machine's load falls on all of
them alike), checks the first run's result, and answers groups of Rows: one
group per piece of work, ours first.
"""

import os
import shutil
import statistics
import subprocess
import sys
import time

import datasets
from harness import Row, RunFailed, measure

GIB = 1 << 30
MIB = 1 << 20
LARGE_FILE_RUNS = 5


class Tool:
    def __init__(self, row, cmd, before=None, check=None, stdout=None, cwd=None, env=None, value=None):
        self.row = row
        self.cmd = cmd
        self.before = before
        self.check = check
        self.stdout = stdout
        self.cwd = cwd
        self.env = env
        # Turns the Sample (and the output file) into the row's value; wall
        # time by default.
        self.value = value or (lambda sample: sample.wall)


class Context:
    def __init__(self, build, scratch, server, runs, scale, log, timeout=180):
        self.cli = os.path.join(build, "src/cli/parcelo-cli")
        self.listing_bench = os.path.join(build, "bench/bench_listing")
        self.db_bench = os.path.join(build, "bench/bench_db_report")
        self.fault_relay = os.path.join(build, "bench/bench_fault_relay")
        self.sftp_bench = os.path.join(build, "bench/bench_sftp")
        self.build = build
        self.source_dir = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        self.scratch = scratch
        self.server = server
        self.runs = runs
        self.scale = scale
        # The longest one run may take; a tool that takes longer is shown as
        # failed rather than eating the whole time budget.
        self.timeout = timeout
        self.log = log
        self.local = os.path.join(scratch, "local")
        self.out = os.path.join(scratch, "out")
        self.data = os.path.join(server.home, "data")
        self.up = os.path.join(server.home, "up")
        for folder in (self.local, self.out, self.data):
            os.makedirs(folder, exist_ok=True)
        self.env = dict(os.environ, PARCELO_PASSWORD=server.password,
                        XDG_CONFIG_HOME=os.path.join(scratch, "config"),
                        XDG_DATA_HOME=os.path.join(scratch, "data-home"))
        # What later rows compare with: ours' peak memory of earlier work.
        self.ours_rss = {}

    def scaled(self, value, least=1):
        return max(least, int(value * self.scale))

    # Command lines ---------------------------------------------------------

    def ours(self, *args):
        # The server offers TLS: plain FTP unless a case asks for TLS, like the peers.
        return [self.cli, "-q", "--tls", "off"] + list(args)

    def ours_url(self, path, port=None):
        """`port`: a relay's in front of the server (default: the server's)."""
        return "ftp://%s@127.0.0.1:%d/%s" % (self.server.user, port or self.server.port, path.lstrip("/"))

    def lftp(self, commands, port=None, settings=""):
        s = self.server
        return ["lftp", "-c", "set ftp:ssl-allow no; set net:max-retries 2; set cmd:fail-exit yes; %s"
                "open -u %s,%s -p %d 127.0.0.1; %s" % (settings, s.user, s.password, port or s.port, commands)]

    def curl(self, *args):
        return ["curl", "-sS", "--fail", "-u", "%s:%s" % (self.server.user, self.server.password)] + list(args)

    def url(self, path, port=None):
        """A URL for curl, through a relay when `port` is given."""
        return "ftp://127.0.0.1:%d/%s" % (port or self.server.port, path.lstrip("/"))

    # The same tools over explicit TLS (AUTH TLS, every data connection protected).

    def ours_tls(self, *args):
        return [self.cli, "-q", "--ca-file", self.server.ca_file] + list(args)

    def ours_tls_url(self, path):
        return "ftpes://%s@127.0.0.1:%d/%s" % (self.server.user, self.server.port, path.lstrip("/"))

    def lftp_tls(self, commands):
        s = self.server
        return ["lftp", "-c", "set ftp:ssl-force yes; set ftp:ssl-protect-data yes; set ssl:ca-file %s; "
                "set net:max-retries 2; set cmd:fail-exit yes; open -u %s,%s -p %d 127.0.0.1; %s"
                % (s.ca_file, s.user, s.password, s.port, commands)]

    def curl_tls(self, *args):
        return self.curl("--ssl-reqd", "--cacert", self.server.ca_file, *args)

    # Folders between runs ----------------------------------------------------

    def fresh_upload_folder(self):
        shutil.rmtree(self.up, ignore_errors=True)
        os.makedirs(self.up)
        self.server.chown(self.up)

    def fresh_out(self, *subfolders):
        shutil.rmtree(self.out, ignore_errors=True)
        for sub in subfolders or ("",):
            os.makedirs(os.path.join(self.out, sub), exist_ok=True)

    def publish(self, path):
        """Makes what the benchmark wrote readable by the FTP user."""
        self.server.chown(path)


def run_tools(ctx, tools, runs=None, timeout=None):
    """Runs every tool once per round, each round starting one tool later, so
    that no tool always goes first or always follows the same one; a tool
    that fails stops being run. `timeout` raises the context's limit of one
    run for slow work."""
    for round_ in range(runs or ctx.runs):
        first = round_ % len(tools)
        for tool in tools[first:] + tools[:first]:
            row = tool.row
            if row.error:
                continue
            if tool.before:
                tool.before()
            try:
                sample = measure(tool.cmd, env=tool.env or ctx.env, cwd=tool.cwd, stdout=tool.stdout,
                                 timeout=max(ctx.timeout, timeout or 0))
                problem = tool.check() if tool.check and round_ == 0 else None
            except RunFailed as failure:
                problem = str(failure)
            if problem:
                row.fail(problem)
                ctx.log("  %s: %s failed: %s" % (row.work, row.tool, problem))
                continue
            row.add(tool.value(sample), sample)
    return [tool.row for tool in tools]


def connections_in_time_wait():
    with open("/proc/net/sockstat") as f:
        for line in f:
            if line.startswith("TCP:"):
                words = line.split()
                return int(words[words.index("tw") + 1])
    return 0


def settle_connections(ctx, most=4000, longest=65):
    """Waits, for a bounded time, until the connections closed by earlier
    work have left TIME_WAIT: with tens of thousands of them every new
    connection costs more, whichever tool opens it. Moving many small files
    opens one data connection per file."""
    deadline = time.monotonic() + longest
    waiting = connections_in_time_wait()
    if waiting > most:
        ctx.log("  waiting for %d closed connections to expire" % waiting)
    while connections_in_time_wait() > most and time.monotonic() < deadline:
        time.sleep(1)


def count_files(root):
    return sum(len(files) for _, _, files in os.walk(root))


def expect_files(root, count):
    def check():
        found = count_files(root)
        return None if found == count else "%d files in %s, %d expected" % (found, root, count)
    return check


def expect_size(path, size):
    def check():
        if not os.path.isfile(path):
            return "no %s" % path
        found = os.path.getsize(path)
        return None if found == size else "%s has %d bytes, %d expected" % (path, found, size)
    return check


def expect_lines(path, least):
    def check():
        with open(path, "rb") as f:
            lines = f.read().count(b"\n")
        return None if lines >= least else "%d lines listed, %d expected" % (lines, least)
    return check


def fresh_server_folder(home, name):
    """The folder `name` below the home of a server that
    tests/support/real_ftp_servers.sh started, and a function that empties it
    before a run (what is below the home belongs to the server's user, 2000)."""
    folder = os.path.join(home, name)

    def fresh():
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        subprocess.run(["chown", "-R", "2000:2000", home], check=True)
    return folder, fresh


# 1. One large file ---------------------------------------------------------

def one_large_file(ctx):
    size = ctx.scaled(GIB, MIB) // MIB * MIB
    label = "%d MiB" % (size // MIB) if size < GIB else "%g GiB" % (size / GIB)
    ctx.log("one file of %s" % label)
    # A run takes about a second and the server's disk writes vary from one
    # to the next: more runs than elsewhere.
    upload, download = _large_file_rows(ctx, "big.bin", size, label, max(ctx.runs, LARGE_FILE_RUNS))
    if download[0].ok:
        ctx.ours_rss["download"] = (label, min(download[0].rss))
    return [upload, download]


def _large_file_rows(ctx, name, size, label, runs, port=None, lftp_settings="", segmented_peer=False):
    """One file up and down, ours against curl and lftp; through the relay
    listening on `port` when given; with `segmented_peer`, lftp's download
    in four segments over four connections beside them."""
    local = datasets.big_file(os.path.join(ctx.local, name), size)
    os.link(local, os.path.join(ctx.data, name))
    ctx.publish(ctx.data)

    work = "upload one file of %s" % label
    up = [Tool(Row(work, "parcelo-cli upload", True, amount=size, unit="MiB/s"),
               ctx.ours("upload", local, ctx.ours_url("up/ours/", port)),
               before=ctx.fresh_upload_folder, check=expect_size(os.path.join(ctx.up, "ours", name), size)),
          Tool(Row(work, "curl -T", False, amount=size, unit="MiB/s"),
               ctx.curl("--ftp-create-dirs", "-T", local, ctx.url("up/curl/", port)),
               before=ctx.fresh_upload_folder, check=expect_size(os.path.join(ctx.up, "curl", name), size)),
          Tool(Row(work, "lftp put", False, amount=size, unit="MiB/s"),
               ctx.lftp("mkdir -p up/lftp; put -O up/lftp %s" % local, port, lftp_settings),
               before=ctx.fresh_upload_folder, check=expect_size(os.path.join(ctx.up, "lftp", name), size))]
    upload = run_tools(ctx, up, runs)

    work = "download one file of %s" % label
    out = ctx.out
    down = [Tool(Row(work, "parcelo-cli download", True, amount=size, unit="MiB/s"),
                 ctx.ours("download", ctx.ours_url("data/" + name, port), out + "/ours/"),
                 before=lambda: ctx.fresh_out("ours"), check=expect_size("%s/ours/%s" % (out, name), size)),
            Tool(Row(work, "curl -o", False, amount=size, unit="MiB/s"),
                 ctx.curl("-o", "%s/curl/%s" % (out, name), ctx.url("data/" + name, port)),
                 before=lambda: ctx.fresh_out("curl"), check=expect_size("%s/curl/%s" % (out, name), size)),
            Tool(Row(work, "lftp get", False, amount=size, unit="MiB/s"),
                 ctx.lftp("get data/%s -o %s/lftp/%s" % (name, out, name), port, lftp_settings),
                 before=lambda: ctx.fresh_out("lftp"), check=expect_size("%s/lftp/%s" % (out, name), size))]
    download = run_tools(ctx, down, runs)
    tables = [upload, download]
    if segmented_peer:
        parts = _four_parts(ctx, "download one file of %s in four parts" % label, name, size, port, lftp_settings)
        tables.append(run_tools(ctx, parts, runs))
    os.remove(os.path.join(ctx.data, name))
    ctx.fresh_out()
    ctx.fresh_upload_folder()
    return tables


# 1a. One large file over explicit TLS ----------------------------------------

def one_large_file_tls(ctx):
    size = ctx.scaled(GIB, MIB) // MIB * MIB
    label = "%d MiB" % (size // MIB) if size < GIB else "%g GiB" % (size / GIB)
    ctx.log("one file of %s over explicit TLS" % label)
    local = datasets.big_file(os.path.join(ctx.local, "big.bin"), size)
    data = os.path.join(ctx.data, "big.bin")
    os.link(local, data)
    ctx.publish(ctx.data)

    work = "upload one file of %s over TLS" % label
    up = [Tool(Row(work, "parcelo-cli upload (ftpes)", True, amount=size, unit="MiB/s"),
               ctx.ours_tls("upload", local, ctx.ours_tls_url("up/ours/")),
               before=ctx.fresh_upload_folder, check=expect_size(os.path.join(ctx.up, "ours/big.bin"), size)),
          Tool(Row(work, "curl --ssl-reqd -T", False, amount=size, unit="MiB/s"),
               ctx.curl_tls("--ftp-create-dirs", "-T", local, ctx.server.url("up/curl/")),
               before=ctx.fresh_upload_folder, check=expect_size(os.path.join(ctx.up, "curl/big.bin"), size)),
          Tool(Row(work, "lftp put (ssl-force)", False, amount=size, unit="MiB/s"),
               ctx.lftp_tls("mkdir -p up/lftp; put -O up/lftp %s" % local),
               before=ctx.fresh_upload_folder, check=expect_size(os.path.join(ctx.up, "lftp/big.bin"), size))]
    runs = max(ctx.runs, LARGE_FILE_RUNS)
    upload = run_tools(ctx, up, runs)

    work = "download one file of %s over TLS" % label
    out = ctx.out
    down = [Tool(Row(work, "parcelo-cli download (ftpes)", True, amount=size, unit="MiB/s"),
                 ctx.ours_tls("download", ctx.ours_tls_url("data/big.bin"), out + "/ours/"),
                 before=lambda: ctx.fresh_out("ours"), check=expect_size(out + "/ours/big.bin", size)),
            Tool(Row(work, "curl --ssl-reqd -o", False, amount=size, unit="MiB/s"),
                 ctx.curl_tls("-o", out + "/curl/big.bin", ctx.server.url("data/big.bin")),
                 before=lambda: ctx.fresh_out("curl"), check=expect_size(out + "/curl/big.bin", size)),
            Tool(Row(work, "lftp get (ssl-force)", False, amount=size, unit="MiB/s"),
                 ctx.lftp_tls("get data/big.bin -o %s/lftp/big.bin" % out),
                 before=lambda: ctx.fresh_out("lftp"), check=expect_size(out + "/lftp/big.bin", size))]
    download = run_tools(ctx, down, runs)
    os.remove(data)
    ctx.fresh_out()
    ctx.fresh_upload_folder()
    return [upload, download]


# 1b. One large file over a link that breaks ---------------------------------

class Relay:
    """A relay program in front of the server: it prints "READY <port>" and
    ends when its standard input closes."""

    def __init__(self, cmd):
        self.process = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        ready = self.process.stdout.readline().split()
        if len(ready) != 2 or ready[0] != b"READY":
            self.process.kill()
            raise RuntimeError("relay did not start: " + self.process.stderr.read().decode(errors="replace"))
        self.port = int(ready[1])

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=30)
        return self.process.stderr.read().decode().strip()


def cut_download(ctx):
    size = ctx.scaled(GIB, 4 * MIB) // MIB * MIB
    cut = ctx.scaled(200 * MIB, MIB)
    label = "%d MiB, cut every %d MiB" % (size // MIB, cut // MIB)
    ctx.log("one file of %s" % label)
    local = datasets.big_file(os.path.join(ctx.local, "cut.bin"), size)
    os.link(local, os.path.join(ctx.data, "cut.bin"))
    ctx.publish(ctx.data)
    # The tests' fault-injecting relay: every data connection is cut after
    # `cut` bytes.
    relay = Relay([ctx.fault_relay, str(ctx.server.port), str(cut)])
    s = ctx.server
    via = "ftp://%s@127.0.0.1:%d/data/cut.bin" % (s.user, relay.port)
    # lftp goes on after a cut by itself; it is told not to wait between tries.
    lftp = ["lftp", "-c", "set ftp:ssl-allow no; set net:max-retries 50; set net:reconnect-interval-base 0; "
            "set net:reconnect-interval-multiplier 1; set cmd:fail-exit yes; open -u %s,%s -p %d 127.0.0.1; "
            "get data/cut.bin -o %s/lftp/cut.bin" % (s.user, s.password, relay.port, ctx.out)]
    work = "download one file of %s" % label
    out = ctx.out
    tools = [Tool(Row(work, "parcelo-cli download", True, amount=size, unit="MiB/s"),
                  ctx.ours("download", via, out + "/ours/"),
                  before=lambda: ctx.fresh_out("ours"), check=expect_size(out + "/ours/cut.bin", size)),
             Tool(Row(work, "lftp get", False, amount=size, unit="MiB/s"), lftp,
                  before=lambda: ctx.fresh_out("lftp"), check=expect_size(out + "/lftp/cut.bin", size))]
    try:
        rows = run_tools(ctx, tools)
    finally:
        ctx.log("  relay: %s" % relay.close())
    ctx.fresh_out()
    os.unlink(os.path.join(ctx.data, "cut.bin"))
    os.unlink(local)
    return [rows]


# 2. Many small files -------------------------------------------------------

def _curl_config(path, pairs):
    with open(path, "w") as f:
        for option, value, url in pairs:
            f.write('%s = "%s"\nurl = "%s"\n' % (option, value, url))
    return path


def many_small_files(ctx):
    per_folder = ctx.scaled(100, 5)
    folders, size = 20, 4096
    count = folders * per_folder
    ctx.log("%d files of 4 KiB in %d folders" % (count, folders))
    settle_connections(ctx)
    local = os.path.join(ctx.local, "small")
    names = datasets.small_tree(local, folders, per_folder, size)
    shutil.copytree(local, os.path.join(ctx.data, "small"))
    ctx.publish(ctx.data)
    amount = count

    work = "upload %d files of 4 KiB in %d folders" % (count, folders)
    up_config = _curl_config(os.path.join(ctx.scratch, "curl-up.cfg"),
                             [("upload-file", os.path.join(local, n), ctx.server.url("up/curl/small/" + n))
                              for n in names])
    up = [Tool(Row(work, "parcelo-cli upload", True, amount=amount, unit="files/s"),
               ctx.ours("upload", local, ctx.ours_url("up/ours/")),
               before=ctx.fresh_upload_folder, check=expect_files(os.path.join(ctx.up, "ours"), count)),
          Tool(Row(work, "lftp mirror -R", False, amount=amount, unit="files/s"),
               ctx.lftp("mirror -R %s up/lftp/small" % local),
               before=ctx.fresh_upload_folder, check=expect_files(os.path.join(ctx.up, "lftp"), count)),
          Tool(Row(work, "curl (one connection)", False, amount=amount, unit="files/s"),
               ctx.curl("--ftp-create-dirs", "-K", up_config),
               before=ctx.fresh_upload_folder, check=expect_files(os.path.join(ctx.up, "curl"), count))]
    upload = run_tools(ctx, up)

    work = "download %d files of 4 KiB in %d folders" % (count, folders)
    out = ctx.out
    down_config = _curl_config(os.path.join(ctx.scratch, "curl-down.cfg"),
                               [("output", "%s/curl/small/%s" % (out, n), ctx.server.url("data/small/" + n))
                                for n in names])
    down = [Tool(Row(work, "parcelo-cli download", True, amount=amount, unit="files/s"),
                 ctx.ours("download", ctx.ours_url("data/small/"), out + "/ours/"),
                 before=lambda: ctx.fresh_out("ours"), check=expect_files(out + "/ours", count)),
            Tool(Row(work, "lftp mirror", False, amount=amount, unit="files/s"),
                 ctx.lftp("mirror data/small %s/lftp/small" % out),
                 before=lambda: ctx.fresh_out("lftp"), check=expect_files(out + "/lftp", count)),
            Tool(Row(work, "curl (one connection)", False, amount=amount, unit="files/s",
                     note="told every path: lists nothing"),
                 ctx.curl("--create-dirs", "-K", down_config),
                 before=lambda: ctx.fresh_out("curl"), check=expect_files(out + "/curl", count))]
    download = run_tools(ctx, down)
    ctx.fresh_out()
    ctx.fresh_upload_folder()
    return [upload, download]


# 2b. A distant server --------------------------------------------------------

ROUND_TRIP_MS = 40
# lftp connects its data connections to the address the server names unless
# told to use the control connection's: this keeps them on the relay too.
LFTP_THROUGH_RELAY = "set ftp:ignore-pasv-address yes; "


def delay_relay(ctx):
    """The round-trip relay in front of the server, data connections included."""
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "delay_relay.py")
    return Relay([sys.executable, script, str(ctx.server.port), str(ROUND_TRIP_MS)])


def far_small_files(ctx):
    return _far_small_rows(ctx, "far-small", 20, ctx.scaled(100, 5), 1)


def far_hundred_files(ctx):
    """The parallel sessions' acceptance: 100 files, where a session's setup
    weighs as much as it ever does."""
    return _far_small_rows(ctx, "far-hundred", 4, 25, ctx.runs)


def _far_small_rows(ctx, name, folders, per_folder, runs):
    """Small files up and down through the round-trip relay: ours with four
    sessions, leading the rows, against ours with one and lftp with one and
    four."""
    size = 4096
    count = folders * per_folder
    ctx.log("%d files of 4 KiB in %d folders at a %d ms round trip" % (count, folders, ROUND_TRIP_MS))
    settle_connections(ctx)
    local = os.path.join(ctx.local, name)
    datasets.small_tree(local, folders, per_folder, size)
    shutil.copytree(local, os.path.join(ctx.data, name))
    ctx.publish(ctx.data)
    relay = delay_relay(ctx)
    # Every file costs several round trips: minutes for the sequential tools.
    # A limit that grows with the files.
    timeout = max(count // 2, 60)
    lftp = lambda commands: ctx.lftp(commands, relay.port, LFTP_THROUGH_RELAY)
    suffix = " at %d ms" % ROUND_TRIP_MS
    # Our one-session run is a row of its own: its ratio is what four sessions gain.
    ours = lambda n, note, *args: (
        Row(work, "parcelo-cli --parallel %d" % n, n == 4, amount=count, unit="files/s", note=note),
        ctx.ours("--parallel", str(n), *args))
    notes = {4: "", 1: "ours, one session: ratio = four sessions ÷ one"}
    try:
        work = "upload %d files of 4 KiB in %d folders%s" % (count, folders, suffix)
        up = [Tool(*ours(n, notes[n], "upload", local, ctx.ours_url("up/ours/", relay.port)),
                   before=ctx.fresh_upload_folder, check=expect_files(os.path.join(ctx.up, "ours"), count))
              for n in (4, 1)]
        up += [Tool(Row(work, "lftp mirror -R --parallel=%d" % n, False, amount=count, unit="files/s"),
                    lftp("mirror -R --parallel=%d %s up/lftp/%s" % (n, local, name)),
                    before=ctx.fresh_upload_folder, check=expect_files(os.path.join(ctx.up, "lftp"), count))
               for n in (1, 4)]
        upload = run_tools(ctx, up, runs, timeout)

        work = "download %d files of 4 KiB in %d folders%s" % (count, folders, suffix)
        out = ctx.out
        down = [Tool(*ours(n, notes[n], "download", ctx.ours_url("data/%s/" % name, relay.port), out + "/ours/"),
                     before=lambda: ctx.fresh_out("ours"), check=expect_files(out + "/ours", count))
                for n in (4, 1)]
        down += [Tool(Row(work, "lftp mirror --parallel=%d" % n, False, amount=count, unit="files/s"),
                      lftp("mirror --parallel=%d data/%s %s/lftp/%s" % (n, name, out, name)),
                      before=lambda: ctx.fresh_out("lftp"), check=expect_files(out + "/lftp", count))
                 for n in (1, 4)]
        download = run_tools(ctx, down, runs, timeout)
    finally:
        relay.close()
    ctx.fresh_out()
    ctx.fresh_upload_folder()
    shutil.rmtree(local, ignore_errors=True)
    shutil.rmtree(os.path.join(ctx.data, name), ignore_errors=True)
    return [upload, download]


def far_large_file(ctx):
    size = ctx.scaled(GIB, MIB) // MIB * MIB
    label = "%d MiB" % (size // MIB) if size < GIB else "%g GiB" % (size / GIB)
    label += " at %d ms" % ROUND_TRIP_MS
    ctx.log("one file of %s" % label)
    relay = delay_relay(ctx)
    try:
        rows = _large_file_rows(ctx, "far.bin", size, label, ctx.runs, relay.port, LFTP_THROUGH_RELAY,
                                segmented_peer=True)
    finally:
        relay.close()
    os.unlink(os.path.join(ctx.local, "far.bin"))
    return rows


# 2a'. One file from a server that caps each session ------------------------

CAPPED_RATE = 32 * MIB


def _four_parts(ctx, work, name, size, port, lftp_settings=""):
    """Ours in four parts (the row compared) and lftp's pget in four
    segments, both downloading data/`name` through `port`."""
    out = ctx.out
    return [Tool(Row(work, "parcelo-cli download --segments 4", True, amount=size, unit="MiB/s",
                     note="four sessions, one part each"),
                 ctx.ours("download", "--segments", "4", ctx.ours_url("data/" + name, port), out + "/parts/"),
                 before=lambda: ctx.fresh_out("parts"), check=expect_size("%s/parts/%s" % (out, name), size)),
            Tool(Row(work, "lftp pget -n 4", False, amount=size, unit="MiB/s",
                     note="four connections, one segment each"),
                 ctx.lftp("pget -n 4 data/%s -o %s/pget/%s" % (name, out, name), port, lftp_settings),
                 before=lambda: ctx.fresh_out("pget"), check=expect_size("%s/pget/%s" % (out, name), size))]


def capped_large_file(ctx):
    """A server that gives each session at most CAPPED_RATE (vsftpd's
    local_max_rate): what one stream cannot get past and parts can."""
    size = ctx.scaled(256 * MIB, 16 * MIB) // MIB * MIB
    name = "capped.bin"
    label = "%d MiB from a server that gives each session %d MiB/s" % (size // MIB, CAPPED_RATE // MIB)
    ctx.log("one file of " + label)
    datasets.big_file(os.path.join(ctx.data, name), size)
    ctx.publish(ctx.data)
    out = ctx.out
    work = "download one file of " + label
    with ctx.server.capped(CAPPED_RATE) as capped:
        one = Tool(Row(work, "parcelo-cli download", False, amount=size, unit="MiB/s",
                       note="one stream: ratio = four parts ÷ one stream"),
                   ctx.ours("download", ctx.ours_url("data/" + name, capped.port), out + "/one/"),
                   before=lambda: ctx.fresh_out("one"), check=expect_size("%s/one/%s" % (out, name), size))
        table = run_tools(ctx, _four_parts(ctx, work, name, size, capped.port) + [one], ctx.runs)
    os.remove(os.path.join(ctx.data, name))
    ctx.fresh_out()
    return [table]


# 2b. SFTP against OpenSSH's sshd --------------------------------------------

class Sshd:
    """OpenSSH's sshd on a free loopback port (tests/support/real_ftp_servers.sh),
    with the test user's key; stopped with close()."""

    def __init__(self, ctx):
        self.folder = os.path.join(ctx.scratch, "sshd")
        self.script = os.path.join(ctx.source_dir, "tests/support/real_ftp_servers.sh")
        env = dict(os.environ, PARCELO_FTP_SERVERS_CACHE=os.path.join(ctx.build, "real-ftp-servers"))
        out = subprocess.run(["sh", self.script, "start", "sshd", self.folder], env=env, capture_output=True,
                             text=True, check=False)
        if out.returncode != 0 or "READY" not in out.stdout:
            raise RunFailed("sshd did not start: " + out.stdout + out.stderr)
        _, port, self.user = out.stdout.split()[-3:]
        self.port = int(port)
        self.home = os.path.join(self.folder, "home")
        self.key = os.path.join(self.folder, "ssh/client_ed25519")
        shown = subprocess.run(["ssh-keygen", "-l", "-f", os.path.join(self.folder, "ssh/host_ed25519.pub")],
                               capture_output=True, text=True, check=True).stdout
        self.fingerprint = shown.split()[1]

    def close(self):
        subprocess.run(["sh", self.script, "stop", self.folder], check=False)


def _sftp_rows(ctx, sshd, name, size, label, runs, port):
    """One file up and down over SFTP: ours against OpenSSH's sftp and curl."""
    local = datasets.big_file(os.path.join(ctx.local, name), size)
    remote_data = os.path.join(sshd.home, name)
    if os.path.exists(remote_data):
        os.unlink(remote_data)
    os.link(local, remote_data)
    subprocess.run(["chown", "-R", "2000:2000", sshd.home], check=True)
    up_folder = os.path.join(sshd.home, "up")

    def fresh_up():
        shutil.rmtree(up_folder, ignore_errors=True)
        os.makedirs(up_folder)
        subprocess.run(["chown", "2000:2000", up_folder], check=True)

    def ours(direction, source, target):
        return [ctx.sftp_bench, direction, str(port), sshd.user, sshd.key, sshd.fingerprint, source, target]

    def openssh(command):
        batch = os.path.join(ctx.scratch, "sftp-batch")
        with open(batch, "w") as f:
            f.write(command + "\n")
        return ["sftp", "-q", "-o", "BatchMode=yes", "-o", "StrictHostKeyChecking=no", "-o",
                "UserKnownHostsFile=/dev/null", "-o", "LogLevel=ERROR", "-i", sshd.key, "-P", str(port), "-b", batch,
                "%s@127.0.0.1" % sshd.user]

    def curl(*args):
        return ["curl", "-sS", "--fail", "-k", "--key", sshd.key, "--pubkey", sshd.key + ".pub",
                "-u", sshd.user + ":"] + list(args)

    url = "sftp://127.0.0.1:%d%s" % (port, sshd.home)
    peers_curl = label.find(" at ") < 0
    work = "SFTP upload one file of %s" % label
    up = [Tool(Row(work, "bench_sftp up (library)", True, amount=size, unit="MiB/s"),
               ours("up", local, up_folder + "/ours.bin"), before=fresh_up,
               check=expect_size(up_folder + "/ours.bin", size)),
          Tool(Row(work, "sftp -b put", False, amount=size, unit="MiB/s"),
               openssh("put %s %s/sftp.bin" % (local, up_folder)), before=fresh_up,
               check=expect_size(up_folder + "/sftp.bin", size))]
    if peers_curl:
        up.append(Tool(Row(work, "curl -T sftp://", False, amount=size, unit="MiB/s"),
                       curl("-T", local, url + "/up/curl.bin"), before=fresh_up,
                       check=expect_size(up_folder + "/curl.bin", size)))
    upload = run_tools(ctx, up, runs)

    work = "SFTP download one file of %s" % label
    out = ctx.out
    down = [Tool(Row(work, "bench_sftp down (library)", True, amount=size, unit="MiB/s"),
                 ours("down", out + "/ours.bin", remote_data), before=ctx.fresh_out,
                 check=expect_size(out + "/ours.bin", size)),
            Tool(Row(work, "sftp -b get", False, amount=size, unit="MiB/s"),
                 openssh("get %s %s/sftp.bin" % (remote_data, out)), before=ctx.fresh_out,
                 check=expect_size(out + "/sftp.bin", size))]
    if peers_curl:
        down.append(Tool(Row(work, "curl -o sftp://", False, amount=size, unit="MiB/s"),
                         curl("-o", out + "/curl.bin", url + "/" + name), before=ctx.fresh_out,
                         check=expect_size(out + "/curl.bin", size)))
    download = run_tools(ctx, down, runs)
    os.unlink(remote_data)
    shutil.rmtree(up_folder, ignore_errors=True)
    ctx.fresh_out()
    return [upload, download]


def _sftp_small_rows(ctx, sshd):
    """2,000 files of 4 KiB up and down over SFTP: parcelo-cli (4 sessions)
    against OpenSSH's sftp (one session, requests in flight) and lftp's
    mirror (4 sessions, each an ssh of its own)."""
    per_folder = ctx.scaled(100, 5)
    folders, size = 20, 4096
    count = folders * per_folder
    ctx.log("SFTP: %d files of 4 KiB in %d folders" % (count, folders))
    local = os.path.join(ctx.local, "sftp-small")
    datasets.small_tree(local, folders, per_folder, size)
    served = os.path.join(sshd.home, "small")
    shutil.rmtree(served, ignore_errors=True)
    shutil.copytree(local, served)
    up_folder, fresh_up = fresh_server_folder(sshd.home, "up")

    def ours(*args):
        return [ctx.cli, "-q", "--identity", sshd.key, "--fingerprint", sshd.fingerprint] + list(args)

    def openssh(command):
        batch = os.path.join(ctx.scratch, "sftp-batch")
        with open(batch, "w") as f:
            f.write(command + "\n")
        return ["sftp", "-q", "-o", "BatchMode=yes", "-o", "StrictHostKeyChecking=no", "-o",
                "UserKnownHostsFile=/dev/null", "-o", "LogLevel=ERROR", "-i", sshd.key, "-P", str(sshd.port), "-b",
                batch, "%s@127.0.0.1" % sshd.user]

    def lftp(command):
        ssh = ("ssh -a -x -i %s -o BatchMode=yes -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null "
               "-o LogLevel=ERROR" % sshd.key)
        return ["lftp", "-c", "set sftp:connect-program '%s'; open -u %s, sftp://127.0.0.1:%d; %s" % (
            ssh, sshd.user, sshd.port, command)]

    url = "sftp://%s@127.0.0.1:%d%s" % (sshd.user, sshd.port, sshd.home)
    work = "SFTP upload %d files of 4 KiB in %d folders" % (count, folders)
    up = [Tool(Row(work, "parcelo-cli upload sftp://", True, amount=count, unit="files/s"),
               ours("upload", local, url + "/up/ours/"), before=fresh_up,
               check=expect_files(os.path.join(up_folder, "ours"), count)),
          Tool(Row(work, "sftp -b put -r", False, amount=count, unit="files/s"),
               openssh("mkdir %s/sftp\nput -r %s %s/sftp/" % (up_folder, local, up_folder)), before=fresh_up,
               check=expect_files(os.path.join(up_folder, "sftp"), count)),
          Tool(Row(work, "lftp mirror -R --parallel=4", False, amount=count, unit="files/s"),
               lftp("mirror -R --parallel=4 %s %s/lftp" % (local, up_folder)), before=fresh_up,
               check=expect_files(os.path.join(up_folder, "lftp"), count))]
    upload = run_tools(ctx, up)

    work = "SFTP download %d files of 4 KiB in %d folders" % (count, folders)
    out = ctx.out
    down = [Tool(Row(work, "parcelo-cli download sftp://", True, amount=count, unit="files/s"),
                 ours("download", url + "/small/", out + "/ours/"), before=lambda: ctx.fresh_out("ours"),
                 check=expect_files(out + "/ours", count)),
            Tool(Row(work, "sftp -b get -r", False, amount=count, unit="files/s"),
                 openssh("get -r %s %s/sftp" % (served, out)), before=lambda: ctx.fresh_out("sftp"),
                 check=expect_files(out + "/sftp", count)),
            Tool(Row(work, "lftp mirror --parallel=4", False, amount=count, unit="files/s"),
                 lftp("mirror --parallel=4 %s %s/lftp" % (served, out)), before=lambda: ctx.fresh_out("lftp"),
                 check=expect_files(out + "/lftp", count))]
    download = run_tools(ctx, down)
    shutil.rmtree(served, ignore_errors=True)
    shutil.rmtree(up_folder, ignore_errors=True)
    shutil.rmtree(local, ignore_errors=True)
    ctx.fresh_out()
    return [upload, download]


def sftp_files(ctx):
    sshd = Sshd(ctx)
    try:
        rows = _sftp_small_rows(ctx, sshd)
        size = ctx.scaled(GIB, MIB) // MIB * MIB
        label = "%d MiB" % (size // MIB) if size < GIB else "%g GiB" % (size / GIB)
        ctx.log("SFTP: one file of %s" % label)
        rows += _sftp_rows(ctx, sshd, "sftp-big.bin", size, label, max(ctx.runs, LARGE_FILE_RUNS), sshd.port)
        os.unlink(os.path.join(ctx.local, "sftp-big.bin"))
        far = ctx.scaled(64 * MIB, MIB) // MIB * MIB
        label = "%d MiB at %d ms" % (far // MIB, ROUND_TRIP_MS)
        ctx.log("SFTP: one file of %s" % label)
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "delay_relay.py")
        relay = Relay([sys.executable, script, "--stream", str(sshd.port), str(ROUND_TRIP_MS)])
        try:
            rows += _sftp_rows(ctx, sshd, "sftp-far.bin", far, label, ctx.runs, relay.port)
        finally:
            relay.close()
        os.unlink(os.path.join(ctx.local, "sftp-far.bin"))
    finally:
        sshd.close()
    return rows


# 3. Listings ---------------------------------------------------------------

def listing(ctx):
    count = ctx.scaled(20000, 1000)
    ctx.log("a folder of %d entries" % count)
    datasets.flat_folder(os.path.join(ctx.data, "list"), count, 100)
    ctx.publish(ctx.data)
    work = "list a folder of %d entries" % count
    listed = os.path.join(ctx.scratch, "listed-%s.txt")
    tools = [Tool(Row(work, "parcelo-cli ls", True, amount=count, unit="entries/s"),
                  ctx.ours("ls", ctx.ours_url("data/list/")),
                  stdout=listed % "ours", check=expect_lines(listed % "ours", count)),
             Tool(Row(work, "lftp cls", False, amount=count, unit="entries/s"),
                  ctx.lftp("cls -1 data/list/"),
                  stdout=listed % "lftp", check=expect_lines(listed % "lftp", count)),
             Tool(Row(work, "curl -l (NLST)", False, amount=count, unit="entries/s", note="names only"),
                  ctx.curl("-l", ctx.server.url("data/list/")),
                  stdout=listed % "nlst", check=expect_lines(listed % "nlst", count)),
             Tool(Row(work, "curl (LIST, unparsed)", False, amount=count, unit="entries/s",
                      note="the raw reply"),
                  ctx.curl(ctx.server.url("data/list/")),
                  stdout=listed % "list", check=expect_lines(listed % "list", count))]
    return [run_tools(ctx, tools)]


def _program_figures(path):
    figures = {}
    with open(path) as f:
        for line in f:
            key, _, value = line.partition(" ")
            figures[key] = float(value)
    return figures


def parser(ctx):
    lines = ctx.scaled(1000000, 10000)
    groups = []
    for layout in ("unix", "dos"):
        ctx.log("parse %d %s listing lines in memory" % (lines, layout))
        work = "parse %d listing lines in memory (%s layout)" % (lines, layout.upper())
        ours = Row(work, "CFtpDir", True, amount=lines, unit="lines/s")
        floor = Row(work, "reading the text once", False, amount=lines, unit="lines/s",
                    note="the floor: line ends found, every byte read")
        output = os.path.join(ctx.scratch, "listing-bench.txt")
        for _ in range(ctx.runs):
            try:
                sample = measure([ctx.listing_bench, "--lines", str(lines), "--layout", layout], stdout=output)
            except RunFailed as failure:
                ours.fail(str(failure))
                break
            figures = _program_figures(output)
            ours.add(figures["ours_s"])
            floor.add(figures["floor_s"])
            ours.note = "%.0f MiB/s of text" % (figures["bytes"] / figures["ours_s"] / MIB)
            floor.note = "%.0f MiB/s; " % (figures["bytes"] / figures["floor_s"] / MIB) + \
                "the floor: line ends found, every byte read"
        groups.append([ours, floor])
    return groups


# 4. Compression ------------------------------------------------------------

PYTHON_ZIP = """
import os, sys, zipfile
source, archive = sys.argv[1], sys.argv[2]
base = os.path.dirname(source)
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    for root, dirs, files in os.walk(source):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(root, name)
            z.write(path, os.path.relpath(path, base))
"""


def expect_archive(path, files):
    def check():
        if not os.path.isfile(path):
            return "no archive %s" % path
        test = subprocess.run(["unzip", "-tq", path], capture_output=True, text=True)
        if test.returncode != 0:
            return "unzip -t: " + (test.stdout + test.stderr)[-200:]
        listed = subprocess.run(["zipinfo", "-1", path], capture_output=True, text=True).stdout.split("\n")
        found = sum(1 for name in listed if name and not name.endswith("/"))
        return None if found == files else "%d entries, %d expected" % (found, files)
    return check


def expect_aes_archive(path, password, files):
    """7-Zip verifies every entry with the password, and each file is an
    AES-256 entry."""
    def check():
        if not os.path.isfile(path):
            return "no archive %s" % path
        test = subprocess.run(["7zz", "t", "-p" + password, path], capture_output=True, text=True)
        if test.returncode != 0 or "Everything is Ok" not in test.stdout:
            return "7zz t: " + (test.stdout + test.stderr)[-200:]
        listed = subprocess.run(["7zz", "l", "-slt", path], capture_output=True, text=True).stdout
        found = sum(1 for line in listed.split("\n") if line.startswith("Method = AES-256"))
        return None if found == files else "%d AES-256 entries, %d expected" % (found, files)
    return check


def _compress_mixed(ctx, suffix, check, make_tools):
    """Each tool compresses one mixed folder into an archive at level 1.
    `check(archive, files)` checks an archive; `make_tools(archiver,
    source)` answers the Tools, made with
    archiver(tool, name, cmd(archive), ours=False, cwd=None)."""
    total = ctx.scaled(500 * MIB, 4 * MIB)
    ctx.log("compress %d MiB of mixed files at level 1%s" % (total // MIB, suffix))
    source = os.path.join(ctx.local, "mixed")
    files, total = datasets.mixed_tree(source, total)
    work = "compress a folder of %d MiB (%d files, text and random) at level 1%s" % (total // MIB, files, suffix)

    def archiver(tool, name, cmd, ours=False, cwd=None):
        archive = os.path.join(ctx.out, name + ".zip")
        row = Row(work, tool, ours, amount=total, unit="MiB/s")

        def value(sample):
            row.note = "archive %.0f MiB" % (os.path.getsize(archive) / MIB)
            return sample.wall
        return Tool(row, cmd(archive), cwd=cwd, before=lambda: _remove(archive, ctx.out),
                    check=check(archive, files), value=value)

    groups = [run_tools(ctx, make_tools(archiver, source))]
    ctx.fresh_out()
    shutil.rmtree(source, ignore_errors=True)
    return groups


def compression(ctx):
    return _compress_mixed(ctx, "", expect_archive, lambda archiver, source: [
        archiver("parcelo-cli zip", "ours", lambda a: ctx.ours("zip", source, a), ours=True),
        archiver("zip -1 -r", "zip", lambda a: ["zip", "-q", "-1", "-r", a, "mixed"], cwd=ctx.local),
        archiver("Python zipfile, level 1", "python", lambda a: ["/usr/bin/python3", "-c", PYTHON_ZIP, source, a])])


def aes_compression(ctx):
    password = "bench-Pa55"
    return _compress_mixed(ctx, ", AES-256", lambda archive, files: expect_aes_archive(archive, password, files),
                           lambda archiver, source: [
        archiver("parcelo-cli zip --encryption aes256", "ours",
                 lambda a: ctx.ours("zip", source, a, "--password", password, "--encryption", "aes256"), ours=True),
        archiver("7zz a -tzip -mem=AES256 -mx=1", "7zz",
                 lambda a: ["7zz", "a", "-bd", "-bso0", "-tzip", "-mem=AES256", "-mx=1", "-p" + password, a, "mixed"],
                 cwd=ctx.local)])


def _remove(path, folder):
    os.makedirs(folder, exist_ok=True)
    if os.path.exists(path):
        os.unlink(path)


# 5. The job database ---------------------------------------------------------

def _floor_script(database, script):
    """The rows the engine wrote, as plain INSERTs in one transaction."""
    parts = ["PRAGMA journal_mode=WAL;", "PRAGMA synchronous=NORMAL;", "BEGIN;"]
    for table in ("SrcPoint", "LogStatus"):
        dump = subprocess.run(["sqlite3", database, ".mode insert %s" % table, "SELECT * FROM %s;" % table],
                              capture_output=True, text=True, check=True).stdout
        parts.append(dump)
    parts.append("COMMIT;")
    with open(script, "w") as f:
        f.write("\n".join(parts))


def job_database(ctx):
    files = ctx.scaled(10000, 500)
    ctx.log("record %d transfers in the job database" % files)
    work = "record %d file transfers in the job database" % files
    ours = Row(work, "database engine (WAL, NORMAL)", True, amount=files, unit="files/s",
               note="SourceInfoAdd + SourceInfoUpdateSet + ReportTrans per file")
    floor = Row(work, "sqlite3 shell, one transaction", False, amount=files, unit="files/s",
                note="the floor: the same rows as plain INSERTs")
    folder = os.path.join(ctx.scratch, "db")
    output = os.path.join(ctx.scratch, "db-bench.txt")
    schema = os.path.join(ctx.source_dir, "src/db/schema.sql")
    for _ in range(ctx.runs):
        shutil.rmtree(folder, ignore_errors=True)
        try:
            measure([ctx.db_bench, "--dir", folder, "--files", str(files)], stdout=output)
            figures = _program_figures(output)
            ours.add(figures["ours_s"])
            script = os.path.join(ctx.scratch, "floor.sql")
            _floor_script(os.path.join(folder, "jobs.db"), script)
            target = os.path.join(ctx.scratch, "floor.db")
            if os.path.exists(target):
                os.unlink(target)
            subprocess.run(["sqlite3", target, ".read %s" % schema], check=True)
            floor.add(measure(["sqlite3", target, ".read %s" % script]).wall)
        except (RunFailed, subprocess.CalledProcessError, KeyError) as failure:
            ours.fail(str(failure))
            break
    shutil.rmtree(folder, ignore_errors=True)
    return [[ours, floor]]


# 6. The connection list -------------------------------------------------------

def _connections_file(path, count):
    with open(path, "w") as f:
        f.write("<CFtpLoginInfoList  tag='' >\r\n")
        for i in range(count):
            f.write("<CFtpLoginInfo  GUID='{%08X-0000-4000-8000-000000000000}'  ftp_host_name='site %d'  "
                    "ftp_host_addr='h%d.example'  ftp_login_name='user%d'  ftp_port='21' ></CFtpLoginInfo>\r\n"
                    % (i, i, i, i))
        f.write("</CFtpLoginInfoList>\r\n")


def connection_list(ctx):
    """Reading the saved connections, at two sizes: linear reading keeps the
    rate of the larger list near that of the smaller one."""
    groups = []
    for count in (ctx.scaled(5000, 250), ctx.scaled(20000, 1000)):
        ctx.log("read a connection list of %d entries" % count)
        path = os.path.join(ctx.scratch, "connections-%d.xml" % count)
        _connections_file(path, count)
        work = "read and list %d saved connections" % count
        listing = os.path.join(ctx.scratch, "connections-list.txt")
        tools = [Tool(Row(work, "parcelo-cli connections list", True, amount=count, unit="entries/s"),
                      ctx.ours("--connections", path, "connections", "list"), stdout=listing,
                      check=expect_lines(listing, count)),
                 Tool(Row(work, "grep -c (reading the file once)", False, amount=count, unit="entries/s",
                          note="the floor: every byte read once"),
                      ["grep", "-c", "CFtpLoginInfo ", path])]
        groups.append(run_tools(ctx, tools))
    return groups


# 7. Peak memory ------------------------------------------------------------

def memory_large_download(ctx):
    size = ctx.scaled(4 * GIB, 16 * MIB) // MIB * MIB
    label = "%g GiB" % (size / GIB) if size >= GIB else "%d MiB" % (size // MIB)
    ctx.log("peak memory of a %s download" % label)
    huge = datasets.sparse_file(os.path.join(ctx.data, "huge.bin"), size)
    ctx.publish(ctx.data)
    # The first read of a sparse file fills the page cache with its zeros:
    # done here, so that it is not charged to whichever tool comes first.
    datasets.read_through(huge)
    work = "peak memory, download of %s" % label
    out = ctx.out
    rss = lambda sample: sample.rss_kib
    tools = [Tool(Row(work, "parcelo-cli download", True, kind="rss"),
                  ctx.ours("download", ctx.ours_url("data/huge.bin"), out + "/ours/"),
                  before=lambda: ctx.fresh_out("ours"), check=expect_size(out + "/ours/huge.bin", size), value=rss),
             Tool(Row(work, "curl -o", False, kind="rss"),
                  ctx.curl("-o", out + "/curl/huge.bin", ctx.server.url("data/huge.bin")),
                  before=lambda: ctx.fresh_out("curl"), check=expect_size(out + "/curl/huge.bin", size), value=rss),
             Tool(Row(work, "lftp get", False, kind="rss"),
                  ctx.lftp("get data/huge.bin -o %s/lftp/huge.bin" % out),
                  before=lambda: ctx.fresh_out("lftp"), check=expect_size(out + "/lftp/huge.bin", size), value=rss)]
    rows = run_tools(ctx, tools, runs=1)
    ours = rows[0]
    if ours.ok and "download" in ctx.ours_rss:
        smaller, kib = ctx.ours_rss["download"]
        ours.note = "%s: %.1f MiB → %s: %.1f MiB" % (smaller, kib / 1024, label, ours.median() / 1024)
    _note_times(rows)
    ctx.fresh_out()
    os.unlink(os.path.join(ctx.data, "huge.bin"))
    return [rows]


def _note_times(rows):
    """Memory rows also tell how long the work took."""
    for row in rows:
        if row.ok:
            row.note = ("%s; " % row.note if row.note else "") + "in %.1f s" % statistics.median(row.walls)


def memory_many_files(ctx):
    """Peak memory of a flat folder's upload at 2,000, 20,000 and 200,000
    files, ours beside lftp's mirror; each row notes the bytes per file that
    the step from the count before it cost."""
    counts = sorted({ctx.scaled(n, least) for n, least in ((2000, 200), (20000, 1000), (200000, 2000))})
    groups = []
    before = {}
    rss = lambda sample: sample.rss_kib
    for count in counts:
        ctx.log("peak memory of a %d-file folder upload" % count)
        local = datasets.flat_folder(os.path.join(ctx.local, "flat"), count, 100)
        settle_connections(ctx)
        work = "peak memory, upload of a folder of %d files" % count
        tools = [Tool(Row(work, "parcelo-cli upload", True, kind="rss"),
                      ctx.ours("upload", local, ctx.ours_url("up/ours/")),
                      before=ctx.fresh_upload_folder, check=expect_files(os.path.join(ctx.up, "ours"), count),
                      value=rss),
                 Tool(Row(work, "lftp mirror -R", False, kind="rss"),
                      ctx.lftp("mirror -R %s up/lftp/flat" % local),
                      before=ctx.fresh_upload_folder, check=expect_files(os.path.join(ctx.up, "lftp"), count),
                      value=rss)]
        rows = run_tools(ctx, tools, runs=1, timeout=ctx.timeout * max(1, count // 20000))
        for row in rows:
            if not row.ok:
                continue
            if row.tool in before:
                fewer, kib = before[row.tool]
                row.note = "%.0f bytes per file from %d files" % ((row.median() - kib) * 1024 / (count - fewer), fewer)
            before[row.tool] = (count, row.median())
        _note_times(rows)
        groups.append(rows)
        ctx.fresh_upload_folder()
        shutil.rmtree(local, ignore_errors=True)
    return groups


def mirror_changes(ctx):
    """A published tree of which 1 % changed since the last run: only those
    files go. Each tool mirrors its own copy of the tree into its own folder,
    and before each of its runs another 1 % of its copy changes (a new size
    and a new time). Ours keeps the record of its last run in a job
    database, as a scheduled mirror does."""
    per_folder = ctx.scaled(1000, 50)
    folders = 20
    count = folders * per_folder
    step = 100
    ctx.log("mirror of %d files of 1 KiB in %d folders, 1 %% changed" % (count, folders))
    settle_connections(ctx)
    ctx.fresh_upload_folder()
    trees = {}
    for name in ("ours", "ours-listing", "lftp"):
        trees[name] = os.path.join(ctx.local, "mirror-" + name)
        names = datasets.small_tree(trees[name], folders, per_folder, 1024)
    # Ours keeps the record of its last run in a job database, as scheduled mirrors do.
    database = os.path.join(ctx.local, "mirror-jobs.db")
    if os.path.exists(database):
        os.remove(database)
    subprocess.run([ctx.cli, "db", "init", "--db", database], env=ctx.env, check=True, stdout=subprocess.DEVNULL)
    commands = {"ours": lambda: ctx.ours("mirror", "--db", database, trees["ours"], ctx.ours_url("up/ours/")),
                # Without a record: the destination is listed, as lftp does.
                "ours-listing": lambda: ctx.ours("mirror", trees["ours-listing"], ctx.ours_url("up/ours-listing/")),
                "lftp": lambda: ctx.lftp("mirror -R --only-newer %s up/lftp" % trees["lftp"])}
    # The first, full transfer is not measured.
    for name, command in commands.items():
        subprocess.run(command(), env=ctx.env, check=True, stdout=subprocess.DEVNULL, timeout=ctx.timeout * 5)
    rounds = {name: 0 for name in commands}

    def change(name):
        def before():
            rounds[name] += 1
            for index in range(rounds[name] % step, count, step):
                with open(os.path.join(trees[name], names[index]), "ab") as f:
                    f.write(b"%d" % rounds[name])
        return before

    def changed_arrived(name, folder):
        def check():
            index = rounds[name] % step
            local = os.path.join(trees[name], names[index])
            remote = os.path.join(ctx.up, folder, names[index])
            if not os.path.isfile(remote) or os.path.getsize(remote) != os.path.getsize(local):
                return "%s did not arrive" % remote
            return expect_files(os.path.join(ctx.up, folder), count)()
        return check

    changed = count // step
    work = "mirror %d files in %d folders, %d changed" % (count, folders, changed)
    tools = [Tool(Row(work, "parcelo-cli mirror", True, amount=count, unit="files/s"), commands["ours"](),
                  before=change("ours"), check=changed_arrived("ours", "ours")),
             Tool(Row(work, "parcelo-cli mirror (no --db)", False, amount=count, unit="files/s",
                      note="ours, listing the destination: ratio = with the record ÷ without"),
                  commands["ours-listing"](), before=change("ours-listing"),
                  check=changed_arrived("ours-listing", "ours-listing")),
             Tool(Row(work, "lftp mirror -R --only-newer", False, amount=count, unit="files/s"), commands["lftp"](),
                  before=change("lftp"), check=changed_arrived("lftp", "lftp"))]
    rows = run_tools(ctx, tools)
    ctx.fresh_upload_folder()
    for tree in trees.values():
        shutil.rmtree(tree, ignore_errors=True)
    os.remove(database)
    return [rows]


# 3. Verified transfers: ProFTPD with mod_digest -------------------------------

class DigestProftpd:
    """ProFTPD offering hash commands (mod_digest: HASH, XSHA256, ...) on a free
    loopback port (tests/support/real_ftp_servers.sh); stopped with close()."""

    def __init__(self, ctx):
        self.folder = os.path.join(ctx.scratch, "proftpd")
        self.script = os.path.join(ctx.source_dir, "tests/support/real_ftp_servers.sh")
        env = dict(os.environ, PARCELO_FTP_SERVERS_CACHE=os.path.join(ctx.build, "real-ftp-servers"),
                   REAL_FTP_SERVER_DIGESTS="all")
        out = subprocess.run(["sh", self.script, "start", "proftpd", self.folder], env=env, capture_output=True,
                             text=True, check=False)
        if out.returncode != 0 or "READY" not in out.stdout:
            raise RunFailed("ProFTPD did not start: " + out.stdout + out.stderr)
        _, port, self.user = out.stdout.split()[-3:]
        self.port = int(port)
        self.password = "secret"
        self.home = os.path.join(self.folder, "home")

    def url(self, path):
        return "ftp://%s:%s@127.0.0.1:%d/%s" % (self.user, self.password, self.port, path.lstrip("/"))

    def close(self):
        subprocess.run(["sh", self.script, "stop", self.folder], check=False)


# The server's own time to hash a file: HASH over a control connection, the
# file's time changed first so that ProFTPD cannot answer from its cache.
SERVER_HASH = """
import ftplib, os, sys, time
path, port, user, password, name = sys.argv[1:6]
now = time.time()
os.utime(path, (now, now))
ftp = ftplib.FTP()
ftp.connect("127.0.0.1", int(port), timeout=600)
ftp.login(user, password)
ftp.sendcmd("OPTS HASH SHA-256")
ftp.voidcmd("HASH " + name)
ftp.quit()
"""


def verified_transfers(ctx):
    size = ctx.scaled(GIB, MIB) // MIB * MIB
    label = "%d MiB" % (size // MIB) if size < GIB else "%g GiB" % (size / GIB)
    ctx.log("one file of %s with and without verification (ProFTPD with mod_digest)" % label)
    server = DigestProftpd(ctx)
    try:
        return _verified_rows(ctx, server, size, label)
    finally:
        server.close()


def _verified_rows(ctx, server, size, label):
    local = datasets.big_file(os.path.join(ctx.local, "big.bin"), size)
    served = os.path.join(server.home, "big.bin")
    shutil.copyfile(local, served)
    up_folder, fresh_up = fresh_server_folder(server.home, "up")
    fresh_up()
    runs = max(ctx.runs, LARGE_FILE_RUNS)
    note = "ours unverified: ratio = verified ÷ unverified"
    work = "upload one file of %s to ProFTPD" % label
    up = [Tool(Row(work, "parcelo-cli upload (verified, SHA-256)", True, amount=size, unit="MiB/s"),
               ctx.ours("upload", local, server.url("up/")), before=fresh_up,
               check=expect_size(os.path.join(up_folder, "big.bin"), size)),
          Tool(Row(work, "parcelo-cli upload --verify off", False, amount=size, unit="MiB/s", note=note),
               ctx.ours("upload", "--verify", "off", local, server.url("up/")), before=fresh_up,
               check=expect_size(os.path.join(up_folder, "big.bin"), size))]
    upload = run_tools(ctx, up, runs)

    work = "download one file of %s from ProFTPD" % label
    out = ctx.out
    down = [Tool(Row(work, "parcelo-cli download (verified, SHA-256)", True, amount=size, unit="MiB/s"),
                 ctx.ours("download", server.url("big.bin"), out + "/"), before=ctx.fresh_out,
                 check=expect_size(out + "/big.bin", size)),
            Tool(Row(work, "parcelo-cli download --verify off", False, amount=size, unit="MiB/s", note=note),
                 ctx.ours("download", "--verify", "off", server.url("big.bin"), out + "/"), before=ctx.fresh_out,
                 check=expect_size(out + "/big.bin", size))]
    download = run_tools(ctx, down, runs)

    work = "the server hashes one file of %s (SHA-256)" % label
    hashing = [Tool(Row(work, "ProFTPD HASH (the server's cost)", True, unit="MiB/s", amount=size,
                        note="wall time of a client that only asks; the CPU is the server's, not shown"),
                    ["/usr/bin/python3", "-c", SERVER_HASH, served, str(server.port), server.user, server.password,
                     "big.bin"])]
    server_time = run_tools(ctx, hashing, runs)
    os.remove(served)
    shutil.rmtree(up_folder, ignore_errors=True)
    ctx.fresh_out()
    return [upload, download, server_time]


CASES = [
    # Before "large", which leaves its file on the server for later cases.
    ("tls", one_large_file_tls),
    ("large", one_large_file),
    ("cut", cut_download),
    ("small", many_small_files),
    ("far-small", far_small_files),
    ("far-hundred", far_hundred_files),
    ("far-large", far_large_file),
    ("capped-large", capped_large_file),
    ("sftp", sftp_files),
    ("verify", verified_transfers),
    ("listing", listing),
    ("parser", parser),
    ("zip", compression),
    ("zip-aes", aes_compression),
    ("db", job_database),
    ("mirror", mirror_changes),
    ("connections", connection_list),
    ("memory-files", memory_many_files),
    # Last: gigabytes written to the disk slow down whatever comes after.
    ("memory-download", memory_large_download),
]
