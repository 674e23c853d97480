"""vsftpd on loopback for the benchmarks: its own configuration, a local
user with a password whose home is in the benchmark's scratch folder, started
in the foreground and stopped at the end.

vsftpd needs root (it drops privileges per session) and a real local account:
PAM checks the password and that the account's shell is a login shell.
"""

import os
import pwd
import secrets
import shutil
import socket
import subprocess
import time

VSFTPD = "/usr/sbin/vsftpd"
USER = "parcelobench"
TEST_CA = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests/support/tls_test_ca.sh")


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Vsftpd:
    """Use as a context manager; `home` is the server's root for the user."""

    def __init__(self, scratch):
        self.scratch = scratch
        self.home = os.path.join(scratch, "ftp-home")
        self.user = USER
        self.password = secrets.token_hex(8)
        self.port = free_port()
        self.process = None
        self.created_user = False
        self.log = os.path.join(scratch, "vsftpd.log")
        # TLS is offered, not required: the plain cases stay plain. Data
        # connections must resume the control connection's session.
        self.tls = os.path.join(scratch, "tls")
        self.ca_file = os.path.join(self.tls, "ca.pem")

    def url(self, path=""):
        """The URL of a path below the user's home, without credentials."""
        return "ftp://127.0.0.1:%d/%s" % (self.port, path.lstrip("/"))

    def __enter__(self):
        self._make_user()
        subprocess.run(["/bin/sh", TEST_CA, self.tls], check=True)
        self._start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def chown(self, path):
        """Gives files made by the benchmark (as root) to the FTP user."""
        entry = pwd.getpwnam(self.user)
        for root, dirs, files in os.walk(path):
            os.chown(root, entry.pw_uid, entry.pw_gid)
            for name in files:
                os.chown(os.path.join(root, name), entry.pw_uid, entry.pw_gid)

    def _make_user(self):
        os.makedirs(self.home, exist_ok=True)
        # Every folder above the home must be traversable by the user.
        os.chmod(self.scratch, 0o755)
        try:
            pwd.getpwnam(self.user)
        except KeyError:
            subprocess.run(["useradd", "--no-create-home", "--home-dir", self.home,
                            "--shell", "/bin/sh", self.user], check=True)
            self.created_user = True
        else:
            subprocess.run(["usermod", "--home", self.home, self.user], check=True)
        subprocess.run(["chpasswd"], input="%s:%s\n" % (self.user, self.password),
                       text=True, check=True)
        self.chown(self.home)

    def capped(self, bytes_per_second):
        """A second server on the same home and user that gives each session
        at most `bytes_per_second` (vsftpd's local_max_rate), as a server
        that shares its link fairly does; a context manager with `port`."""
        return _CappedVsftpd(self, bytes_per_second)

    def _config(self, port=None, extra=(), name="vsftpd.conf"):
        empty = os.path.join(self.scratch, "vsftpd-empty")
        os.makedirs(empty, exist_ok=True)
        os.chmod(empty, 0o755)
        lines = [
            "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1",
            "listen_port=%d" % (port or self.port), "background=NO",
            "anonymous_enable=NO", "local_enable=YES", "write_enable=YES",
            "local_umask=022", "pasv_enable=YES", "pasv_address=127.0.0.1",
            # "/" is the user's home, so absolute paths (ours) and paths
            # relative to the login folder (curl, lftp) name the same files.
            "chroot_local_user=YES", "allow_writeable_chroot=YES",
            "secure_chroot_dir=%s" % empty, "pam_service_name=vsftpd",
            "seccomp_sandbox=NO", "xferlog_enable=NO",
            "vsftpd_log_file=%s" % self.log,
            # Many sessions in a row from one address, none of them slowed.
            "max_per_ip=0", "max_clients=0", "delay_failed_login=0",
            "ssl_enable=YES", "rsa_cert_file=%s/server.pem" % self.tls,
            "rsa_private_key_file=%s/server.key" % self.tls, "force_local_logins_ssl=NO",
            "force_local_data_ssl=NO", "require_ssl_reuse=YES", "ssl_ciphers=HIGH",
        ] + list(extra)
        path = os.path.join(self.scratch, name)
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")
        os.chmod(path, 0o600)
        return path

    def _start(self):
        self.process = _run(self._config(), self.port)

    def stop(self):
        if self.process:
            _stop(self.process)
        self.process = None
        if self.created_user:
            subprocess.run(["userdel", self.user], check=False)
            self.created_user = False


def _run(config, port):
    """vsftpd with `config`, once it greets on `port`."""
    process = subprocess.Popen([VSFTPD, config], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("vsftpd stopped: " + process.stderr.read().decode(errors="replace"))
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1) as s:
                s.settimeout(5)
                if s.recv(64).startswith(b"220"):
                    return process
        except OSError:
            time.sleep(0.05)
    process.terminate()
    raise RuntimeError("vsftpd did not answer on port %d" % port)


def _stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class _CappedVsftpd:
    def __init__(self, server, bytes_per_second):
        self.server = server
        self.rate = bytes_per_second
        self.port = free_port()
        self.process = None

    def __enter__(self):
        config = self.server._config(self.port, ["local_max_rate=%d" % self.rate], "vsftpd-capped.conf")
        self.process = _run(config, self.port)
        return self

    def __exit__(self, *exc):
        _stop(self.process)
