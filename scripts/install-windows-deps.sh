#!/usr/bin/env bash
# Installs what the Windows stub's build and Wine tests need on Debian 12 (the "windows" stage
# of scripts/requirements.txt, with 32-bit Wine where it installs). Idempotent.
exec "$(dirname "$0")/install-deps.sh" --windows
