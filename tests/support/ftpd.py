#!/usr/bin/python3
# A real FTP server for the tests: pyftpdlib on a loopback port.
# usage: /usr/bin/python3 ftpd.py ROOT [PORT(0=ephemeral)] [USER] [PASS] [HOST] [COMMAND_LOG]
# With COMMAND_LOG, every command the server receives is written to that
# file, one "<- COMMAND argument" line each, so that tests can count them.
# Prints "READY <port>" once it accepts connections. Stops on SIGTERM, or when
# its standard input reaches end of file (the test process that started it
# went away), so that no server outlives its test.
import logging
import os
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


def main():
    root = sys.argv[1]
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    user = sys.argv[3] if len(sys.argv) > 3 else "alice"
    password = sys.argv[4] if len(sys.argv) > 4 else "secret"
    host = sys.argv[5] if len(sys.argv) > 5 else "127.0.0.1"
    command_log = sys.argv[6] if len(sys.argv) > 6 else ""
    if command_log:
        logging.basicConfig(filename=command_log, level=logging.DEBUG, format="%(message)s")
    else:
        logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    FTPHandler.authorizer = authorizer
    FTPHandler.passive_ports = None  # ephemeral ports: parallel servers never collide
    FTPHandler.masquerade_address = None
    FTPHandler.banner = "velmora test ftpd ready"
    FTPHandler.auth_failed_timeout = 0  # refuse a wrong password at once: tests wait on it
    server = FTPServer((host, port), FTPHandler)
    threading.Thread(target=exit_when_parent_goes, daemon=True).start()
    print("READY", server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
