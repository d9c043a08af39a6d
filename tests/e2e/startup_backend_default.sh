#!/usr/bin/env bash
# Start-up with Wine's Windows version set to default: Wine's own default version (platform id 2) takes pass-through.
. "$(dirname "$0")/startup_backend.bash"
startup_backend_check default passthrough
