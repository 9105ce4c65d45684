#!/bin/sh
# Regenerates the test certificate that comes with its issuer: tv-chain.crt holds the leaf
# followed by the (self-signed) CA, so a pinning test can tell the leaf from the root.
set -e
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$tmp/ca.key" -out "$tmp/ca.crt" -days 36500 \
  -subj "/CN=Veltrix test CA" -addext "basicConstraints=critical,CA:true" \
  -addext "keyUsage=keyCertSign,cRLSign"
openssl req -newkey rsa:2048 -nodes -keyout tv-chain.key -out "$tmp/leaf.csr" \
  -subj "/CN=webOS TV test chain/O=Veltrix test"
printf 'subjectAltName=IP:127.0.0.2\nbasicConstraints=CA:false\n' > "$tmp/ext.cnf"
openssl x509 -req -in "$tmp/leaf.csr" -CA "$tmp/ca.crt" -CAkey "$tmp/ca.key" -CAcreateserial \
  -out "$tmp/leaf.crt" -days 36500 -extfile "$tmp/ext.cnf"
cat "$tmp/leaf.crt" "$tmp/ca.crt" > tv-chain.crt
