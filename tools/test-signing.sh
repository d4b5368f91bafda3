#!/usr/bin/env bash
# Makes the Authenticode test material from one unsigned program: two unrelated test CAs made
# afresh, code-signing leaves on the committed test-only keys (tests/e2e/test-keys/, whose pins
# the test builds carry) and on fresh keys, and the files the signature tests need.
#   test-signing.sh <out dir> <signer CN> <unsigned program.exe>
# Writes to <out dir>:
#   ca.pem ca.der       the test root that issues every leaf below but one
#   ca2.pem ca2.der     a second, unrelated test root
#   signed.exe          by the expected signer, key test-signing-a.key
#   signed-b.exe        by the expected signer, key test-signing-b.key (the rotated key)
#   other-signer.exe    by "Mallory Software Ltd", fresh key
#   other-ca.exe        by the expected signer's name, fresh key, issued by the second root
#   no-cn.exe           a leaf with no CN but O=<signer CN>, key test-signing-a.key
#   padded.exe          signed.exe with 64 non-zero bytes more inside its certificate table
#   tampered.exe        signed, then one byte of code changed
#   unsigned.exe
#   signed.pin signed-b.pin other-ca.pin   base64 SHA-256 of the leaf's DER SubjectPublicKeyInfo,
#                                          taken from the certificate (one line)
#   signed.cn signed-b.cn other-ca.cn      the leaf's CN as openssl prints it (one line)
set -euo pipefail
if [[ $# -ne 3 ]]; then
  echo "usage: test-signing.sh <out dir> <signer CN> <unsigned program.exe>" >&2
  exit 2
fi
out=$1 cn=${2:-VORNE Sandbox Test Signing}
program=$(realpath "$3")
keys=$(realpath "$(dirname "$0")/../tests/e2e/test-keys")
key_a=$keys/test-signing-a.key key_b=$keys/test-signing-b.key
for key in "$key_a" "$key_b"; do
  # A fresh key in their place would sign files that no pinned build accepts, and the tests would
  # then fail far from the cause.
  if [[ ! -r $key ]]; then
    echo "test-signing.sh: the committed test key $key is missing; restore tests/e2e/test-keys/" >&2
    exit 1
  fi
done
mkdir -p "$out"
cd "$out"

root() {  # root <name> <CN>
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -keyout "$1.key" -out "$1.pem" \
    -subj "/CN=$2" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    2>/dev/null
  openssl x509 -in "$1.pem" -outform der -out "$1.der"
}
root ca "VORNE Sandbox Test Root"
root ca2 "Unrelated Test Root"
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
  >leaf.ext

leaf() {  # leaf <name> <subject> <CA name> [committed key]: writes <name>.pem, .key, -chain.pem
  if [[ $# -eq 4 ]]; then
    cp "$4" "$1.key"
    openssl req -new -key "$1.key" -out "$1.csr" -subj "$2" 2>/dev/null
  else
    openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "$2" 2>/dev/null
  fi
  openssl x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" -CAcreateserial -days 3650 \
    -extfile leaf.ext -out "$1.pem" 2>/dev/null
  cat "$1.pem" "$3.pem" >"$1-chain.pem"
}
leaf leaf "/CN=$cn" ca "$key_a"
leaf leaf-b "/CN=$cn" ca "$key_b"
leaf other "/CN=Mallory Software Ltd" ca
leaf other-ca "/CN=$cn" ca2
leaf no-cn "/O=$cn" ca "$key_a"

sign() {  # sign <leaf name> <in> <out>
  rm -f "$3"
  osslsigncode sign -certs "$1-chain.pem" -key "$1.key" -h sha256 -in "$2" -out "$3" >/dev/null
}
cp "$program" unsigned.exe
sign leaf unsigned.exe signed.exe
sign leaf-b unsigned.exe signed-b.exe
sign other unsigned.exe other-signer.exe
sign other-ca unsigned.exe other-ca.exe
sign no-cn unsigned.exe no-cn.exe

# Signed like the real installer but not a program Windows will start: the file header says DLL.
# The header is inside the digest, so the flag is set before signing.
/usr/bin/python3 - unsigned.exe not-startable-unsigned.exe <<'PY'
import struct
import sys

data = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", data, 0x3C)[0]
if data[pe:pe + 4] != b"PE\0\0":
    sys.exit("not-startable.exe: no PE signature")
characteristics = pe + 4 + 18
struct.pack_into("<H", data, characteristics,
                 struct.unpack_from("<H", data, characteristics)[0] | 0x2000)  # IMAGE_FILE_DLL
open(sys.argv[2], "wb").write(data)
PY
sign leaf not-startable-unsigned.exe not-startable.exe
rm -f not-startable-unsigned.exe

# What the Windows side must read back from each file's leaf: its key's pin, computed from the
# certificate rather than from the key file, and its CN.
identity() {  # identity <leaf name> <file name>
  openssl x509 -in "$1.pem" -pubkey -noout | openssl pkey -pubin -outform DER |
    openssl dgst -sha256 -binary | base64 >"$2.pin"
  openssl x509 -in "$1.pem" -noout -subject -nameopt multiline,utf8,-esc_msb |
    sed -n 's/^ *commonName *= //p' >"$2.cn"
}
identity leaf signed
identity leaf-b signed-b
identity other-ca other-ca

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

# 64 bytes more inside the certificate table: the one WIN_CERTIFICATE's dwLength and the security
# directory's size both grow, and the bytes go at the end of the file, where the table ends. The
# directory entry and the table are outside the Authenticode digest, so the digest still matches
# and only a check of the table's layout can refuse the file.
/usr/bin/python3 - signed.exe padded.exe <<'PY'
import struct
import sys

EXTRA = bytes([0xA5]) * 64
data = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", data, 0x3C)[0]
if data[pe:pe + 4] != b"PE\0\0":
    sys.exit("padded.exe: no PE signature")
optional = pe + 24
magic = struct.unpack_from("<H", data, optional)[0]
directories = optional + {0x10B: 96, 0x20B: 112}[magic]
security = directories + 4 * 8
offset, size = struct.unpack_from("<II", data, security)
if size < 8 or offset + size != len(data):
    sys.exit(f"padded.exe: the certificate table ({offset:#x}, {size}) does not end the file")
length = struct.unpack_from("<I", data, offset)[0]
if length < 8 or length > size:
    sys.exit(f"padded.exe: dwLength {length} does not fit the table of {size} bytes")
struct.pack_into("<I", data, security + 4, size + len(EXTRA))
struct.pack_into("<I", data, offset, length + len(EXTRA))
data += EXTRA
open(sys.argv[2], "wb").write(data)
PY
# The padded file must fail only a layout check: its digest still has to match.
verify=$(osslsigncode verify -CAfile ca.pem -in padded.exe 2>&1 || true)
current=$(sed -n 's/^Current message digest *: *//p' <<<"$verify")
calculated=$(sed -n 's/^Calculated message digest *: *//p' <<<"$verify")
if [[ -z $current || $current != "$calculated" ]]; then
  echo "test-signing.sh: padded.exe's digest no longer matches:" >&2
  echo "$verify" >&2
  exit 1
fi
