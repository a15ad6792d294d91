#!/usr/bin/env bash
# resource-value.sh NAME: the value of a define in ui/resource.h or
# app/version.h (quotes dropped), the sources the scripts and tests read ids
# and versions from.
root=$(dirname "$0")/..
sed -n "s/^#define $1 \"\{0,1\}\([^\"]*\)\"\{0,1\}\$/\1/p" "$root/ui/resource.h" "$root/app/version.h"
