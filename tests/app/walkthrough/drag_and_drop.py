#!/usr/bin/python3
# Drag and drop between the program and another application, with real X
# events: Xvfb, openbox, xdotool pressing, moving and letting go, and
# dnd_peer as the other application (a file manager's part: it offers local
# files as text/uri-list, or takes such a drop).
#
# usage: drag_and_drop.py PARCELO PARCELO_CLI FTPD_PY DND_PEER
# Exits 77 (skipped) when Xvfb, openbox or xdotool is missing; "make deps"
# installs them. Every wait is on a condition, with a bound.
import os
import subprocess
import sys
import threading
import urllib.parse

from xdesk import BOUND, Failure, Session, run_walk, wait_for

SERVER_FILES = 60


class Peer:
    """dnd_peer in its own window, what it prints gathered as it comes."""

    def __init__(self, session, program, *args):
        self.lines = []
        self.process = subprocess.Popen([program, *args], env=session.env, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        session.others.append(self.process)
        threading.Thread(target=self._gather, daemon=True).start()
        wait_for("%s to start" % args[1], lambda: "ready" in self.lines)
        self.window = session.desktop.window(args[1])

    def _gather(self):
        for line in self.process.stdout:
            self.lines.append(line.strip())


def read(path):
    with open(path) as text:
        return text.read()


def drag_and_drop(parcelo, cli, ftpd, peer):
    files = {"server/f%02d.txt" % n: "server file %d" % n for n in range(SERVER_FILES)}
    files["home/outside/dropped.txt"] = "from another application"
    with Session(parcelo, cli, ftpd, files, "parcelo-dnd-") as session:
        desktop = session.desktop
        session.start()
        # A second start shows the main window.
        subprocess.run([parcelo], env=session.env, check=True, timeout=BOUND)
        main = desktop.window("/ - \\(%d\\)" % SERVER_FILES)
        desktop.xdotool("windowactivate", "--sync", main)
        desktop.xdotool("windowsize", "--sync", main, "1100", "820")
        desktop.xdotool("windowmove", "--sync", main, "0", "0")

        # A server file dragged onto another application reaches it as a
        # local file: the server's bytes, in the program's private folder.
        target = Peer(session, peer, "target", "DnD target")
        desktop.xdotool("windowmove", "--sync", target.window, "1200", "450")
        # Its rows: below the server's folder tree.
        desktop.drag(desktop.point(main, 0.75, 0.45), desktop.point(target.window, 0.5, 0.5))
        wait_for("the drop on the other application", lambda: "drop-end" in target.lines)
        dropped = [urllib.parse.urlparse(line.split(" ", 1)[1]) for line in target.lines
                   if line.startswith("dropped ")]
        if len(dropped) != 1 or dropped[0].scheme != "file":
            raise Failure("the other application got %s" % target.lines)
        copy = urllib.parse.unquote(dropped[0].path)
        name = os.path.basename(copy)
        if not os.path.exists(session.path("server", name)):
            raise Failure("the dropped copy %s names no file of the server" % copy)
        if read(copy) != read(session.path("server", name)):
            raise Failure("the dropped copy of %s has other bytes than the server's" % name)
        if copy.startswith(session.home):
            raise Failure("the copy went into the user's folders: %s" % copy)

        # Files dragged from another application onto the server's list go
        # up into the folder it shows.
        source = Peer(session, peer, "source", "DnD source", session.path("home", "outside", "dropped.txt"))
        desktop.xdotool("windowmove", "--sync", source.window, "1200", "60")
        # Its list (or the list's fields, which the progress panel that the
        # download opened moves up): below the server's folder tree.
        desktop.drag(desktop.point(source.window, 0.5, 0.5), desktop.point(main, 0.75, 0.40))
        uploaded = session.path("server", "dropped.txt")
        wait_for("the dropped file on the server",
                 lambda: os.path.exists(uploaded) and read(uploaded) == "from another application")
        wait_for("the drag source to hear the drop was taken", lambda: "drag-ended taken" in source.lines)


if __name__ == "__main__":
    sys.exit(run_walk("drag and drop", lambda: drag_and_drop(*sys.argv[1:5])))
