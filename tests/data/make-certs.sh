#!/bin/sh
# Regenerates the two self-signed test certificates of the simulated TV. Tests only need
# them to differ; A is the TV's usual certificate, B the "replaced" one.
set -e
cd "$(dirname "$0")"
for n in a b; do
  openssl req -x509 -newkey rsa:2048 -nodes -keyout tv-$n.key -out tv-$n.crt -days 36500 \
    -subj "/CN=webOS TV test $n/O=Veltrix test" -addext "subjectAltName=IP:127.0.0.2"
done
