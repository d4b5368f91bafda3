#!/usr/bin/env bash
# Prints the signer key pins of the test-only signing keys (tests/e2e/test-keys/), separated by
# semicolons, as -DVORNE_SIGNER_KEY_PINS takes them: the base64 SHA-256 of each key's DER
# SubjectPublicKeyInfo.
set -euo pipefail
keys=$(dirname "$0")/../tests/e2e/test-keys
pins=()
for key in "$keys"/test-signing-a.key "$keys"/test-signing-b.key; do
  pins+=("$(openssl pkey -in "$key" -pubout -outform DER | openssl dgst -sha256 -binary | base64)")
done
(IFS=';'; echo "${pins[*]}")
