#!/usr/bin/env bash
# Start-up with Wine's Windows version set to win2k: Windows 2000 (platform id 2) takes pass-through.
. "$(dirname "$0")/startup_backend.bash"
startup_backend_check win2k passthrough
