#!/bin/sh
# Makes a certificate authority for one test and a certificate for 127.0.0.1 signed by it, in FOLDER:
# ca.pem, server.pem and server.key.
#   tests/dashboard/make_test_certificates.sh FOLDER
set -eu
cd "$1"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ca.key -out ca.pem -days 2 \
  -subj '/CN=ZANDO Test Authority'
openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout server.key -out server.csr -subj '/CN=127.0.0.1'
printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n' >san.cnf
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 2 -extfile san.cnf
