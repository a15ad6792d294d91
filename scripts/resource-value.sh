#!/usr/bin/env bash
# resource-value.sh NAME: the value of a define in ui/resource.h (quotes
# dropped), the one source the scripts and tests read ids and versions from.
sed -n "s/^#define $1 \"\{0,1\}\([^\"]*\)\"\{0,1\}\$/\1/p" "$(dirname "$0")/../ui/resource.h"
