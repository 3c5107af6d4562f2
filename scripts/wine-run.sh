#!/bin/bash
# Runs one Windows executable under the project's Wine prefix (CTest's
# cross-compiling emulator, and the scripts' way to start programs).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
snaptext_prefix
exec wine "$@"
