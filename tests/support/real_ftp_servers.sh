#!/bin/sh
# vsftpd or ProFTPD on a free loopback port, for the tests that need a server
# other than pyftpdlib. Both need root. The two Debian packages conflict, so
# neither is installed: their programs are unpacked from the downloaded
# packages into a cache folder, and only their run-time libraries are
# installed (tools/install-deps).
#
#   real_ftp_servers.sh start vsftpd|proftpd DIR [tls12|tls13|implicit|optional]
#       serves DIR/home (as "/") to a user, password "secret"; prints
#       "READY <port> <user>" when it accepts connections; the server runs
#       on in the background (its id in DIR/server.pid).
#       With a TLS word the server requires TLS for the login and for every
#       data connection, with session reuse on data connections: explicit
#       TLS 1.2 only, explicit TLS 1.3 only, or implicit TLS (vsftpd);
#       "optional" (ProFTPD) offers TLS and lets plain logins in too. Its
#       certificate comes from a test CA made in DIR/tls (tls_test_ca.sh).
#       $REAL_FTP_SERVER_CONF, when set, holds more lines of the server's
#       configuration (vsftpd: "max_per_ip=1"; ProFTPD: "AllowStoreRestart on").
#       $REAL_FTP_SERVER_DIGESTS, when set, has ProFTPD offer hash commands
#       (mod_digest: HASH, XSHA256, ...) for those algorithms ("all", or
#       e.g. "sha256").
#   real_ftp_servers.sh start sshd DIR [kbdint]
#       OpenSSH's sshd serving SFTP to a system user of its own (password
#       "secret", home DIR/home), with its own host key (DIR/ssh/host_ed25519)
#       and two client keys in the user's authorized_keys:
#       DIR/ssh/client_ed25519 (no passphrase) and DIR/ssh/client_locked
#       (passphrase "open sesame"); DIR/ssh/other_ed25519.pub is a key the
#       server does not have. The file service logs every request to
#       DIR/requests.log. With "kbdint" passwords are asked only through
#       keyboard-interactive. Prints "READY <port> <user>".
#   real_ftp_servers.sh start proftpd DIR sftp|sftp-kbdint
#       ProFTPD's mod_sftp, password logins, with RSA and ECDSA host keys in
#       DIR/ssh; its log in DIR/sftp.log. With "sftp-kbdint" the password is
#       asked only through keyboard-interactive (mod_sftp_pam, with a PAM
#       service of the server's own that checks it).
#   real_ftp_servers.sh stop DIR
#
# The machine is left as it was found: the unpacked packages are kept in
# $PARCELO_FTP_SERVERS_CACHE (the build folder's real-ftp-servers/ by
# default), and the system user and PAM service that vsftpd needs are made
# for one server and removed by its stop.
#
# Exit status 77: the server cannot run here (not root, packages or
# libraries unavailable, or it did not start); the reason is on stderr.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache=${PARCELO_FTP_SERVERS_CACHE:-$repo/build/real-ftp-servers}
user=parcelo-ftp
password=secret
uid=2000

skip() { echo "real_ftp_servers: $*" >&2; exit 77; }

unpack_servers() {
    [ -x "$cache/root/usr/sbin/vsftpd" ] && [ -x "$cache/root/usr/sbin/proftpd" ] &&
        [ -f "$cache/root/usr/lib/proftpd/mod_tls.so" ] && return 0
    "$repo/tools/install-deps" libwrap0 libhiredis0.14 libmemcached11 libmemcachedutil2 libpcre2-posix3 \
        >&2 || return 1
    mkdir -p "$cache/debs" && cd "$cache/debs" || return 1
    if ! apt-get download vsftpd proftpd-core proftpd-mod-crypto >/dev/null 2>&1; then
        apt-get update -q >/dev/null 2>&1 && apt-get download vsftpd proftpd-core proftpd-mod-crypto >/dev/null 2>&1 ||
            return 1
    fi
    for deb in ./*.deb; do dpkg-deb -x "$deb" "$cache/root" || return 1; done
    cd - >/dev/null || return 1
}

free_port() {
    /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits (bounded, about 10 s) until the port takes connections.
wait_for_port() {
    /usr/bin/python3 - "$1" <<'PY'
import socket, sys, time
deadline = time.time() + 10
while time.time() < deadline:
    try:
        socket.create_connection(("127.0.0.1", int(sys.argv[1])), 0.5).close()
        sys.exit(0)
    except OSError:
        time.sleep(0.1)
sys.exit(1)
PY
}

# vsftpd logs in system users only: one of its own (and a PAM service) for
# each server, named after its port, so that servers running at once never
# share them; both are written down for stop.
start_vsftpd() {
    dir=$1 port=$2
    login=$user-$port service=parcelo-vsftpd-$port
    useradd -M -u $uid -o -d "$dir/home" -s /bin/sh "$login" || return 1
    echo "$login" >"$dir/system-user"
    echo "$login:$password" | chpasswd || return 1
    cp "$cache/root/etc/pam.d/vsftpd" "/etc/pam.d/$service" || return 1
    echo "/etc/pam.d/$service" >"$dir/pam-service"
    mkdir -p "$dir/empty" && chmod 755 "$dir/empty"
    cat >"$dir/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
chroot_local_user=YES
allow_writeable_chroot=YES
pasv_enable=YES
pasv_address=127.0.0.1
secure_chroot_dir=$dir/empty
pam_service_name=$service
seccomp_sandbox=NO
xferlog_enable=YES
vsftpd_log_file=$dir/vsftpd.log
CONF
    case $tls in
    tls12 | tls13 | implicit)
        cat >>"$dir/vsftpd.conf" <<CONF
ssl_enable=YES
rsa_cert_file=$dir/tls/server.pem
rsa_private_key_file=$dir/tls/server.key
force_local_logins_ssl=YES
force_local_data_ssl=YES
require_ssl_reuse=YES
ssl_ciphers=HIGH
CONF
        ;;
    esac
    [ "$tls" = implicit ] && echo "implicit_ssl=YES" >>"$dir/vsftpd.conf"
    [ -n "${REAL_FTP_SERVER_CONF:-}" ] && printf '%s\n' "$REAL_FTP_SERVER_CONF" >>"$dir/vsftpd.conf"
    # vsftpd has no setting for the TLS versions: OpenSSL's configuration sets them.
    case $tls in
    tls12) protocols="MaxProtocol = TLSv1.2" ;;
    tls13) protocols="MinProtocol = TLSv1.3" ;;
    *) protocols="" ;;
    esac
    cat >"$dir/openssl.cnf" <<CONF
openssl_conf = default_conf
[default_conf]
ssl_conf = ssl_sect
[ssl_sect]
system_default = system_default_sect
[system_default_sect]
$protocols
CONF
    OPENSSL_CONF="$dir/openssl.cnf" "$cache/root/usr/sbin/vsftpd" "$dir/vsftpd.conf" >"$dir/server.log" 2>&1 &
    echo $! >"$dir/server.pid"
}

# The logins of mod_sftp: passwords, or (sftp-kbdint) keyboard-interactive
# questions that PAM asks: a service of the server's own, written down for
# stop, has its password checked by a script.
sftp_logins() {
    dir=$1 port=$2
    if [ "$tls" != sftp-kbdint ]; then
        printf '  SFTPAuthMethods     password\n  SFTPPAMEngine       off\n  AuthOrder           mod_auth_file.c\n'
        return
    fi
    service=parcelo-sftp-$port
    printf '#!/bin/sh\n[ "$(tr -d "\\000")" = "%s" ]\n' "$password" >"$dir/check-password"
    chmod 755 "$dir/check-password"
    cat >"/etc/pam.d/$service" <<PAM
auth required pam_exec.so expose_authtok quiet $dir/check-password
auth optional pam_permit.so
account required pam_permit.so
session required pam_permit.so
PAM
    echo "/etc/pam.d/$service" >"$dir/pam-service"
    cat <<CONF
  SFTPAuthMethods     keyboard-interactive
  SFTPPAMEngine       on
  SFTPPAMServiceName  $service
  AuthOrder           mod_sftp_pam.c mod_auth_file.c
CONF
}

start_proftpd() {
    dir=$1 port=$2
    hash=$(/usr/bin/python3 -W ignore -c 'import crypt; print(crypt.crypt("'$password'", crypt.mksalt(crypt.METHOD_SHA512)))')
    echo "$user:$hash:$uid:$uid::$dir/home:/bin/false" >"$dir/ftpd.passwd"
    echo "parcelo-ftp:x:$uid:" >"$dir/ftpd.group"
    chmod 600 "$dir/ftpd.passwd" "$dir/ftpd.group"
    cat >"$dir/proftpd.conf" <<CONF
ServerName            "parcelo test proftpd"
ServerType            standalone
DefaultServer         on
UseIPv6               off
DefaultAddress        127.0.0.1
SocketBindTight       on
Port                  $port
User                  nobody
Group                 nogroup
Umask                 022
AllowOverwrite        on
UseReverseDNS         off
WtmpLog               off
RequireValidShell     off
AuthPAM               off
AuthOrder             mod_auth_file.c
AuthUserFile          $dir/ftpd.passwd
AuthGroupFile         $dir/ftpd.group
DefaultRoot           ~
PidFile               $dir/proftpd.pid
ScoreboardFile        $dir/proftpd.scoreboard
DelayTable            $dir/proftpd.delay
SystemLog             $dir/system.log
TransferLog           $dir/xferlog
CONF
    case $tls in
    tls12 | tls13 | optional)
        protocol=$(echo "$tls" | sed 's/tls1\(.\)/TLSv1.\1/; s/optional/TLSv1.2 TLSv1.3/')
        required=on
        [ "$tls" = optional ] && required=off
        cat >>"$dir/proftpd.conf" <<CONF
ModulePath            $cache/root/usr/lib/proftpd
LoadModule            mod_tls.c
TLSEngine             on
TLSLog                $dir/tls.log
TLSProtocol           $protocol
TLSRequired           $required
TLSECCertificateFile  $dir/tls/server.pem
TLSECCertificateKeyFile $dir/tls/server.key
TLSVerifyClient       off
TLSOptions            EnableDiags
CONF
        ;;
    implicit) return 1 ;;
    sftp | sftp-kbdint)
        mkdir -p "$dir/ssh"
        ssh-keygen -q -t rsa -b 2048 -m PEM -N '' -f "$dir/ssh/hostkey_rsa" || return 1
        ssh-keygen -q -t ecdsa -m PEM -N '' -f "$dir/ssh/hostkey_ecdsa" || return 1
        # The plain FTP server above moves aside: the same port speaks SSH.
        sed -i '/^Port /d; /^DefaultServer /d' "$dir/proftpd.conf"
        cat >>"$dir/proftpd.conf" <<CONF
Port                  0
ModulePath            $cache/root/usr/lib/proftpd
LoadModule            mod_sftp.c
LoadModule            mod_sftp_pam.c
<VirtualHost 127.0.0.1>
  Port                $port
  SFTPEngine          on
  SFTPLog             $dir/sftp.log
  SFTPHostKey         $dir/ssh/hostkey_rsa
  SFTPHostKey         $dir/ssh/hostkey_ecdsa
  AuthUserFile        $dir/ftpd.passwd
  AuthGroupFile       $dir/ftpd.group
  RequireValidShell   off
  AllowOverwrite      on
  DefaultRoot         ~
  TransferLog         $dir/xferlog
$(sftp_logins "$dir" "$port")
</VirtualHost>
CONF
        ;;
    esac
    [ -n "${REAL_FTP_SERVER_CONF:-}" ] && printf '%s\n' "$REAL_FTP_SERVER_CONF" >>"$dir/proftpd.conf"
    if [ -n "${REAL_FTP_SERVER_DIGESTS:-}" ]; then
        grep -q '^ModulePath' "$dir/proftpd.conf" ||
            echo "ModulePath            $cache/root/usr/lib/proftpd" >>"$dir/proftpd.conf"
        cat >>"$dir/proftpd.conf" <<CONF
LoadModule            mod_digest.c
DigestEngine          on
DigestAlgorithms      $REAL_FTP_SERVER_DIGESTS
CONF
    fi
    "$cache/root/usr/sbin/proftpd" -n -c "$dir/proftpd.conf" >"$dir/server.log" 2>&1 &
    echo $! >"$dir/server.pid"
}

# The keys of every sshd: made once and kept with the unpacked packages,
# since making them is most of a server's start.
make_ssh_keys() {
    keys=$cache/ssh-keys
    [ -f "$keys/client_locked" ] && return 0
    mkdir -p "$keys.new" && rm -f "$keys.new/"* || return 1
    ssh-keygen -q -t ed25519 -N '' -C host -f "$keys.new/host_ed25519" &&
        ssh-keygen -q -t ed25519 -N '' -C other -f "$keys.new/other_ed25519" &&
        ssh-keygen -q -t ed25519 -N '' -C client -f "$keys.new/client_ed25519" &&
        ssh-keygen -q -t ed25519 -a 4 -N 'open sesame' -C locked -f "$keys.new/client_locked" &&
        rm -rf "$keys" && mv "$keys.new" "$keys"
}

# sshd logs in system users only: one of its own for each server, as for vsftpd.
start_sshd() {
    dir=$1 port=$2
    login=parcelo-sftp-$port
    useradd -M -u $uid -o -d "$dir/home" -s /bin/sh -p "$(openssl passwd -6 "$password")" "$login" || return 1
    echo "$login" >"$dir/system-user"
    mkdir -p /run/sshd "$dir/home/.ssh" "$cache" || return 1
    exec 9>"$cache/.lock"
    flock -w 300 9 && make_ssh_keys || return 1
    flock -u 9
    cp -r "$cache/ssh-keys" "$dir/ssh" || return 1
    cat "$dir/ssh/client_ed25519.pub" "$dir/ssh/client_locked.pub" >"$dir/home/.ssh/authorized_keys"
    chmod 755 "$dir/ssh"
    chmod 600 "$dir/ssh/"client_ed25519 "$dir/ssh/"client_locked "$dir/ssh/host_ed25519"
    : >"$dir/requests.log"
    chown -R $uid:$uid "$dir/home" "$dir/requests.log"
    if [ "$tls" = kbdint ]; then pam=yes passwords=no kbdint=yes; else pam=no passwords=yes kbdint=no; fi
    cat >"$dir/sshd_config" <<CONF
Port $port
ListenAddress 127.0.0.1
HostKey $dir/ssh/host_ed25519
PidFile $dir/sshd.pid
UsePAM $pam
PasswordAuthentication $passwords
KbdInteractiveAuthentication $kbdint
PubkeyAuthentication yes
AuthorizedKeysFile $dir/home/.ssh/authorized_keys
StrictModes no
AllowUsers $login
MaxStartups 64
MaxSessions 64
Subsystem sftp /usr/lib/openssh/sftp-server
ForceCommand /usr/lib/openssh/sftp-server -e -l VERBOSE 2>>$dir/requests.log
CONF
    /usr/sbin/sshd -D -e -f "$dir/sshd_config" >"$dir/server.log" 2>&1 &
    echo $! >"$dir/server.pid"
}

case ${1:-} in
start)
    server=${2:?server}; dir=${3:?folder}; tls=${4:-}
    [ "$(id -u)" -eq 0 ] || skip "$server needs root"
    if [ "$server" = sshd ]; then
        [ -x /usr/sbin/sshd ] && [ -x /usr/lib/openssh/sftp-server ] || skip "openssh-server is not installed"
        mkdir -p "$dir/home" && chmod 755 "$dir" || exit 1
        port=$(free_port) || exit 1
        start_sshd "$dir" "$port" || skip "cannot set up sshd"
        wait_for_port "$port" || { cat "$dir/server.log" >&2; kill "$(cat "$dir/server.pid")" 2>/dev/null; skip "sshd did not start"; }
        echo "READY $port $login"
        exit 0
    fi
    # Both servers' tests may start at once: one unpacks, the other waits.
    mkdir -p "$cache"
    exec 9>"$cache/.lock"
    flock -w 300 9 || skip "another test holds $cache"
    unpack_servers || skip "cannot unpack $server from its Debian package"
    flock -u 9
    mkdir -p "$dir/home" || exit 1
    chmod 755 "$dir"
    chown -R $uid:$uid "$dir/home"
    port=$(free_port) || exit 1
    if [ -n "$tls" ] && [ "${tls#sftp}" = "$tls" ]; then "$here/tls_test_ca.sh" "$dir/tls" || skip "cannot make test certificates"; fi
    case $server in
    vsftpd) start_vsftpd "$dir" "$port" || skip "cannot set up vsftpd" ;;
    proftpd) start_proftpd "$dir" "$port" || skip "cannot set up proftpd" ;;
    *) echo "unknown server $server" >&2; exit 2 ;;
    esac
    if ! wait_for_port "$port"; then
        cat "$dir/server.log" >&2
        kill "$(cat "$dir/server.pid")" 2>/dev/null
        skip "$server did not start"
    fi
    echo "READY $port ${login:-$user}"
    ;;
stop)
    dir=${2:?folder}
    [ -f "$dir/server.pid" ] && kill "$(cat "$dir/server.pid")" 2>/dev/null
    # A session's process of the user may still be ending (sshd's file
    # service): the account goes all the same.
    [ -f "$dir/system-user" ] && userdel -f "$(cat "$dir/system-user")" 2>/dev/null
    [ -f "$dir/pam-service" ] && rm -f "$(cat "$dir/pam-service")"
    rm -f "$dir/server.pid" "$dir/system-user" "$dir/pam-service"
    ;;
*)
    echo "usage: $0 start vsftpd|proftpd|sshd DIR [MODE] | stop DIR" >&2
    exit 2
    ;;
esac
exit 0
