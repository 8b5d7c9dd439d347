#!/bin/sh
# Runs a command with what Debian's emscripten needs around it: its
# JavaScript tools find their modules with the machine's node, and it wants
# the system's python rather than one a version manager puts first.
NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
PATH=/usr/bin:$PATH
export NODE_PATH PATH
exec "$@"
