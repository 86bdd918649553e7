#!/usr/bin/env bash
# Runs a Windows executable under Wine with the project's environment and a time limit.
# CTest uses it as the cross-compiling emulator.
. "$(dirname "$0")/env.sh"
exec timeout -k 5 "${TAV_RUN_TIMEOUT:-900}" wine "$@"
