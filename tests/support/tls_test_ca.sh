#!/bin/sh
# A test certificate authority and a server certificate for 127.0.0.1 and
# localhost, made with the openssl command for the FTP over TLS tests.
#
#   tls_test_ca.sh DIR
#       DIR/ca.pem           the test CA (trusted by the tests through --ca-file)
#       DIR/server.pem       the server's certificate, issued by the test CA
#       DIR/server.key       its key
#       DIR/fingerprint      the certificate's SHA-256 fingerprint, "SHA256:AB:CD:..."
#       DIR/other-ca.pem     a CA that issued nothing here (trusting it is not enough)
#       DIR/self-signed.pem  a self-signed server certificate for the same names, with
#       DIR/self-signed.key  its key and DIR/self-signed.fingerprint
set -eu
dir=${1:?folder}
mkdir -p "$dir"
cd "$dir"
quiet() { "$@" >/dev/null 2>&1 || { echo "tls_test_ca: $* failed" >&2; exit 1; }; }
quiet openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Parcelo Test CA"
quiet openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout other-ca.key -out other-ca.pem -days 2 -subj "/CN=Other CA"
quiet openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout server.key -out server.csr -subj "/CN=localhost/O=Parcelo Tests"
printf "subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n" >server.ext
quiet openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 2 \
    -extfile server.ext
quiet openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout self-signed.key \
    -out self-signed.pem -days 2 -subj "/CN=localhost/O=Parcelo Tests Self-Signed" \
    -addext "subjectAltName=IP:127.0.0.1,DNS:localhost"
openssl x509 -in server.pem -noout -fingerprint -sha256 | sed 's/^.*=/SHA256:/' >fingerprint
openssl x509 -in self-signed.pem -noout -fingerprint -sha256 | sed 's/^.*=/SHA256:/' >self-signed.fingerprint
chmod 644 ./*.pem ./*.key
