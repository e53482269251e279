#!/bin/sh
# The benchmark: one table of figures, measured under Wine (see tools/bench.py).
exec python3 "$(dirname "$0")/bench.py" "$@"
