#!/usr/bin/env bash
# velmora-gateway links the codec and the protocol, and nothing of the client's road: no
# transport, no gateway client, no machine identifier, no off-thread link, no answer splitting.
# Usage: links_no_client_road.sh PATH_TO_VELMORA_GATEWAY
set -euo pipefail
symbols="$(nm -C "$1")"
grep -q 'velmora::EncodeWire' <<<"$symbols" || { echo "no codec in $1: wrong program?"; exit 1; }
for name in 'velmora::PostForm' 'velmora::GatewayClient::' 'velmora::MachineIdentifier' 'velmora::OffThreadLink' \
            'velmora::ResultRows'; do
  if grep -q "$name" <<<"$symbols"; then
    echo "velmora-gateway links $name"
    exit 1
  fi
done
echo "velmora-gateway links the protocol only"
