#!/usr/bin/env bash
# Start-up with Wine's Windows version set to win98: the consumer family (platform id 1) takes the ASPI manager.
. "$(dirname "$0")/startup_backend.bash"
startup_backend_check win98 aspi
