#!/usr/bin/python3
# A real FTP server for the tests: pyftpdlib on a loopback port.
# usage: /usr/bin/python3 ftpd.py ROOT [PORT(0=ephemeral)] [USER] [PASS] [HOST] [CERTFILE KEYFILE]
#        [--command-log=FILE] [--without=CMD,CMD...] [--max-cons-per-ip=N] [--tls-optional]
# With a certificate and key the server requires explicit TLS (AUTH TLS) on the
# control connection and on every data connection (python3-openssl); with
# --tls-optional it offers TLS and lets plain sessions in as well.
# With --command-log every command the server receives is written to FILE,
# one "<- COMMAND argument" line each, so that tests can count them (and the
# sessions opened and closed).
# With --without the server does not know those commands (500), nor does its
# FEAT reply name them, like servers that lack SIZE, MLST or REST.
# --max-cons-per-ip=N refuses (421) a client's control connection beyond N.
# --refuse-list=FILE refuses (550) an upload of any file whose name is a line
# of FILE when the upload starts (no FILE: none), so that a test can make the
# server refuse some files in one run and accept them in the next.
# --cut-upload-after=N closes the data connection of the first upload that
# brings more than N bytes, as a network that drops it would.
# --fail-command="CODE WHICH COMMAND [ARG]" (repeatable) answers that command
# with CODE instead of carrying it out, when it comes for the WHICH-th time
# ("2": the second; "2-3"; "2-": the second and every later one; "*": every
# one), counted across all sessions; ARG matches with or without a trailing "/".
# Prints "READY <port>" once it accepts connections. Stops on SIGTERM, or when
# its standard input reaches end of file (the test process that started it
# went away), so that no server outlives its test.
import logging
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def exit_when_parent_goes():
    try:
        while sys.stdin.buffer.read(4096):
            pass
    finally:
        os._exit(0)


def command_key(command, arg):
    arg = arg.strip()
    return command.upper() + " " + (arg.rstrip("/") or arg)


def parse_failures(rules):
    """{"CWD /tree/d2": [code, first, last (None: no end), seen]} from the options."""
    failures = {}
    for rule in rules:
        code, which, command = rule.split(" ", 2)
        first, dash, last = which.replace("*", "1-").partition("-")
        verb, _, arg = command.partition(" ")
        failures[command_key(verb, arg)] = [code, int(first), int(last) if last else (None if dash else int(first)), 0]
    return failures


def with_faults(handler, values, failures):
    """The handler with the test's faults (a subclass, when there are any)."""
    refuse_list = values.get("refuse-list", "")
    cut_after = int(values.get("cut-upload-after", "0"))
    if not refuse_list and not cut_after and not failures:
        return handler

    class FaultyDTPHandler(handler.dtp_handler):
        cut_done = False

        # pyftpdlib's data handler reads in handle_read_event (not handle_read).
        def handle_read_event(self):
            # What the file holds: over TLS the received-bytes count stays 0.
            written = self.file_obj.tell() if self.receive and self.file_obj else 0
            if cut_after and not FaultyDTPHandler.cut_done and written > cut_after:
                FaultyDTPHandler.cut_done = True
                # A TLS connection shuts its socket down beneath the TLS layer.
                getattr(self.socket, "sock_shutdown", self.socket.shutdown)(socket.SHUT_RDWR)
                # The control connection says so, as a server whose data
                # connection broke does.
                self._resp = ("426 Connection closed; transfer aborted.", logging.debug)
                self.close()
                return
            super().handle_read_event()

    class FaultyHandler(handler):
        dtp_handler = FaultyDTPHandler

        def pre_process_command(self, line, cmd, arg):
            failure = failures.get(command_key(cmd, arg or ""))
            if failure:
                failure[3] += 1
            code, first, last, seen = failure or (None, 0, 0, 0)
            if failure and seen >= first and (last is None or seen <= last):
                self.logline("<- %s" % line)
                self.respond("%s Refused for the test." % code)
                return
            super().pre_process_command(line, cmd, arg)

        def ftp_STOR(self, file, mode="w"):
            try:
                with open(refuse_list) as names:
                    refused = set(names.read().split())
            except (FileNotFoundError, ValueError):
                refused = set()
            if os.path.basename(file) in refused:
                self.respond("550 Refused for the test.")
                return None
            return super().ftp_STOR(file, mode)

    return FaultyHandler


def main():
    options = [arg for arg in sys.argv[1:] if arg.startswith("--")]
    sys.argv = [arg for arg in sys.argv if arg not in options]
    values = dict((arg[2:].split("=", 1) + [""])[:2] for arg in options)
    failures = parse_failures(arg.split("=", 1)[1] for arg in options if arg.startswith("--fail-command="))
    command_log = values.get("command-log", "")
    without = set(filter(None, values.get("without", "").upper().split(",")))
    root = sys.argv[1]
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    user = sys.argv[3] if len(sys.argv) > 3 else "alice"
    password = sys.argv[4] if len(sys.argv) > 4 else "secret"
    host = sys.argv[5] if len(sys.argv) > 5 else "127.0.0.1"
    handler = FTPHandler
    if len(sys.argv) > 7:
        from pyftpdlib.handlers import TLS_FTPHandler
        handler = TLS_FTPHandler
        handler.certfile = sys.argv[6]
        handler.keyfile = sys.argv[7]
        required = "tls-optional" not in values
        handler.tls_control_required = required
        handler.tls_data_required = required
    if command_log:
        logging.basicConfig(filename=command_log, level=logging.DEBUG, format="%(message)s")
    else:
        logging.basicConfig(level=logging.WARNING)
    handler = with_faults(handler, values, failures)
    handler.proto_cmds = {name: info for name, info in handler.proto_cmds.items() if name not in without}
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    handler.authorizer = authorizer
    handler.passive_ports = None  # ephemeral ports: parallel servers never collide
    handler.masquerade_address = None
    handler.banner = "velmora test ftpd ready"
    handler.auth_failed_timeout = 0  # refuse a wrong password at once: tests wait on it
    server = FTPServer((host, port), handler)
    server.max_cons_per_ip = int(values.get("max-cons-per-ip", "0"))
    threading.Thread(target=exit_when_parent_goes, daemon=True).start()
    print("READY", server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
