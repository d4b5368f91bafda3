#!/usr/bin/env bash
# Makes the Authenticode test material: a test CA, a code-signing leaf whose CN is the expected
# signer, a second leaf of another publisher, and from one unsigned program the four files the
# tests need.
#   test-signing.sh <out dir> <signer CN> <unsigned program.exe>
# Writes to <out dir>: ca.pem ca.der, signed.exe (by the expected signer), other-signer.exe,
# tampered.exe (signed, then one byte of code changed), unsigned.exe.
set -euo pipefail
out=$1 cn=${2:-VORNE Sandbox Test Signing} program=$3
mkdir -p "$out"
cd "$out"

openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -keyout ca.key -out ca.pem \
  -subj "/CN=VORNE Sandbox Test Root" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  2>/dev/null
openssl x509 -in ca.pem -outform der -out ca.der
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
  >leaf.ext

leaf() {  # leaf <name> <CN>
  openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$2" 2>/dev/null
  openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 \
    -extfile leaf.ext -out "$1.pem" 2>/dev/null
  cat "$1.pem" ca.pem >"$1-chain.pem"
}
leaf leaf "$cn"
leaf other "Mallory Software Ltd"

sign() {  # sign <leaf name> <in> <out>
  rm -f "$3"
  osslsigncode sign -certs "$1-chain.pem" -key "$1.key" -h sha256 -in "$2" -out "$3" >/dev/null
}
cp "$program" unsigned.exe
sign leaf unsigned.exe signed.exe
sign other unsigned.exe other-signer.exe
cp signed.exe tampered.exe
# One byte inside the code (the first section starts at 0x400 in these programs), far from the
# signature at the end of the file.
/usr/bin/python3 - tampered.exe <<'PY'
import sys
with open(sys.argv[1], "r+b") as f:
    f.seek(0x600)
    b = f.read(1)
    f.seek(0x600)
    f.write(bytes([b[0] ^ 0xFF]))
PY
