#!/usr/bin/env bash
# Builds the browser version (tools/web/build.sh) and serves it on this machine:
#
#   tools/web/serve.sh [PORT]        (default 8000)
#
# then open the address it prints. Ctrl+C stops the server.
set -euo pipefail
cd "$(dirname "$0")/../.."
port="${1:-8000}"
tools/web/build.sh
echo
echo "Watch the demo at http://127.0.0.1:$port/"
exec python3 tools/web/server.py --root build-web/site --port "$port"
