#!/usr/bin/python3
# The desktop program as a user meets it: a real X server (Xvfb), a window
# manager (openbox) and keys and clicks from xdotool, for what Qt's offscreen
# platform cannot show: which window is on top and has the keyboard, and
# what keys do in the program's real windows.
#
# usage: walkthrough.py PARCELO PARCELO_CLI FTPD_PY
# Exits 77 (skipped) when Xvfb, openbox or xdotool is missing; "make deps"
# installs them. Every wait is on a condition, with a bound.
import os
import subprocess
import sys

from xdesk import BOUND, Failure, Session, logins, run_walk, wait_for


def walk(parcelo, cli, ftpd):
    with Session(parcelo, cli, ftpd, {"server/pub/a.txt": "alpha", "server/pub/deep/b.txt": "beta",
                                      "server/top.txt": "server's top", "home/top.txt": "my top"},
                 "parcelo-walk-") as session:
        desktop, home, command_log = session.desktop, session.home, session.command_log
        session.start()
        # A second start hands over a file the server has: the main window
        # comes forward, and the question about the file is on top with the
        # keyboard, so that Enter answers it in sight (and skips).
        subprocess.run([parcelo, os.path.join(home, "top.txt")], env=session.env, check=True, timeout=BOUND)
        question = desktop.window("File exists")
        wait_for("the question to have the keyboard", lambda: desktop.active() == question)
        wait_for("the question on top", lambda: desktop.top() == question)
        desktop.xdotool("key", "--window", question, "Return")
        wait_for("the question to close",
                 lambda: not desktop.xdotool("search", "--onlyvisible", "--name", "^File exists$"))
        with open(session.path("server", "top.txt")) as kept:
            if kept.read() != "server's top":
                raise Failure("Enter replaced the server's file")

        main = desktop.window("/ - \\(2\\)")
        desktop.xdotool("windowactivate", "--sync", main)
        desktop.xdotool("windowsize", "--sync", main, "1400", "820")
        # Enter in the server's folder tree and in its list (which may open a
        # folder, left again by Backspace) logs nobody in again.
        before = logins(command_log)
        for fy in (0.25, 0.50):
            desktop.click(main, 0.75, fy)
            desktop.xdotool("key", "Return")
        desktop.xdotool("key", "BackSpace")
        wait_for("the server's top folder again", lambda: desktop.xdotool("getwindowname", main) == "/ - (2)")
        if logins(command_log) != before:
            raise Failure("Enter in the server pane logged in again")

        # Download of the first row, a folder (folders come first), fetches
        # the folder into the local pane's folder.
        desktop.click(main, 0.75, 0.50)
        desktop.xdotool("key", "Home", "ctrl+d")
        # The files come over several sessions, in no set order.
        def arrived(relative, text):
            try:
                with open(os.path.join(home, "pub", relative)) as fetched:
                    return fetched.read() == text
            except OSError:
                return False
        wait_for("the downloaded folder", lambda: arrived("a.txt", "alpha") and
                 os.path.exists(os.path.join(home, "pub", "deep", "b.txt")))


if __name__ == "__main__":
    sys.exit(run_walk("walkthrough", lambda: walk(*sys.argv[1:4])))
