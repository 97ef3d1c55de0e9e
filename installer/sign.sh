#!/usr/bin/env bash
# Authenticode signing (SHA-256, osslsigncode) for the release files.
#   installer/sign.sh --check     says which certificate signs: prints "none"
#                                 when none is given, else checks that it can
#                                 sign and prints its subject
#   installer/sign.sh FILE...     signs each PE file in place
# The certificate, from the environment of the build (never of a shipped
# program):
#   VELOTUNE_SIGN_PKCS12 (+ VELOTUNE_SIGN_PASSWORD_FILE when it has a password)
#   or VELOTUNE_SIGN_CERT (PEM, the chain may follow) with VELOTUNE_SIGN_KEY
#      (PEM; VELOTUNE_SIGN_PASSWORD_FILE when the key is encrypted)
#   VELOTUNE_SIGN_TIMESTAMP_URL: an RFC 3161 time-stamping service (optional,
#      off by default: the build then needs no network)
# A certificate given but unusable is an error: nothing is left unsigned
# without a word.
set -euo pipefail
p12=${VELOTUNE_SIGN_PKCS12:-}
cert=${VELOTUNE_SIGN_CERT:-}
key=${VELOTUNE_SIGN_KEY:-}
passfile=${VELOTUNE_SIGN_PASSWORD_FILE:-}
tsurl=${VELOTUNE_SIGN_TIMESTAMP_URL:-}

fail() { echo "Signing: $*" >&2; exit 1; }

readable() { [ -f "$2" ] && [ -r "$2" ] || fail "$1=$2 is not a readable file"; }

if [ -z "$p12$cert$key" ]; then
  [ "${1:-}" = --check ] && { echo none; exit 0; }
  fail "no certificate given (VELOTUNE_SIGN_PKCS12, or VELOTUNE_SIGN_CERT with VELOTUNE_SIGN_KEY)"
fi
command -v osslsigncode >/dev/null || fail "osslsigncode is missing: run scripts/setup.sh"
command -v openssl >/dev/null || fail "openssl is missing: run scripts/setup.sh"
[ -n "$passfile" ] && readable VELOTUNE_SIGN_PASSWORD_FILE "$passfile"

# The certificate and key in the form osslsigncode takes.
if [ -n "$p12" ]; then
  [ -z "$cert$key" ] || fail "give either VELOTUNE_SIGN_PKCS12 or VELOTUNE_SIGN_CERT with VELOTUNE_SIGN_KEY, not both"
  readable VELOTUNE_SIGN_PKCS12 "$p12"
  cred=(-pkcs12 "$p12")
else
  [ -n "$cert" ] && [ -n "$key" ] || fail "VELOTUNE_SIGN_CERT and VELOTUNE_SIGN_KEY go together"
  readable VELOTUNE_SIGN_CERT "$cert"
  readable VELOTUNE_SIGN_KEY "$key"
  cred=(-certs "$cert" -key "$key")
fi
[ -n "$passfile" ] && cred+=(-readpass "$passfile")

if [ "${1:-}" = --check ]; then
  # The signing certificate and its key, read the way osslsigncode reads them.
  pass=()
  [ -n "$passfile" ] && pass=(-passin "file:$passfile")
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  if [ -n "$p12" ]; then
    openssl pkcs12 -in "$p12" "${pass[@]}" -nokeys -clcerts -out "$tmp/cert.pem" 2>"$tmp/err" ||
      openssl pkcs12 -legacy -in "$p12" "${pass[@]}" -nokeys -clcerts -out "$tmp/cert.pem" 2>"$tmp/err" ||
      fail "cannot read $p12 (wrong password in VELOTUNE_SIGN_PASSWORD_FILE?): $(head -n 1 "$tmp/err")"
    openssl pkcs12 -in "$p12" "${pass[@]}" -nocerts -nodes -out "$tmp/key.pem" 2>"$tmp/err" ||
      openssl pkcs12 -legacy -in "$p12" "${pass[@]}" -nocerts -nodes -out "$tmp/key.pem" 2>"$tmp/err" ||
      fail "cannot read the key in $p12: $(head -n 1 "$tmp/err")"
  else
    openssl x509 -in "$cert" -out "$tmp/cert.pem" 2>"$tmp/err" ||
      fail "VELOTUNE_SIGN_CERT=$cert holds no PEM certificate: $(head -n 1 "$tmp/err")"
    openssl pkey -in "$key" -passin "${pass[1]:-pass:}" -out "$tmp/key.pem" 2>"$tmp/err" ||
      fail "cannot read the key VELOTUNE_SIGN_KEY=$key (encrypted? give VELOTUNE_SIGN_PASSWORD_FILE): $(head -n 1 "$tmp/err")"
  fi
  [ -s "$tmp/key.pem" ] || fail "no private key found"
  [ "$(openssl x509 -in "$tmp/cert.pem" -noout -pubkey)" = "$(openssl pkey -in "$tmp/key.pem" -pubout)" ] ||
    fail "the private key does not belong to the certificate"
  openssl x509 -in "$tmp/cert.pem" -noout -checkend 0 >/dev/null ||
    fail "the certificate has expired ($(openssl x509 -in "$tmp/cert.pem" -noout -enddate))"
  if openssl x509 -in "$tmp/cert.pem" -noout -ext extendedKeyUsage 2>/dev/null | grep -q "Usage"; then
    openssl x509 -in "$tmp/cert.pem" -noout -ext extendedKeyUsage | grep -q "Code Signing" ||
      fail "the certificate is not for code signing (its extended key usage lacks Code Signing)"
  fi
  openssl x509 -in "$tmp/cert.pem" -noout -subject -nameopt oneline | sed 's/^subject= *//'
  exit 0
fi

ts=()
[ -n "$tsurl" ] && ts=(-ts "$tsurl")
for f in "$@"; do
  out="$f.signing"
  if ! log=$(osslsigncode sign "${cred[@]}" -h sha256 -n Velotune "${ts[@]}" -in "$f" -out "$out" 2>&1); then
    rm -f "$out"
    fail "osslsigncode could not sign $f: $log"
  fi
  mv "$out" "$f"
done
