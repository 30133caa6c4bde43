#!/bin/sh
# Runs a type-check test when TypeScript is installed (scripts/setup.sh installs it into tools/);
# otherwise says so and skips it, or fails where CI is set.
# Usage: with-tsc.sh TSC COMMAND [ARG...]
tsc="$1"
shift
if [ ! -x "$tsc" ]; then
    echo "TypeScript is not installed ($tsc): scripts/setup.sh installs it"
    [ -n "$CI" ] && exit 1
    exit 77
fi
exec "$@"
