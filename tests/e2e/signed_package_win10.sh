#!/usr/bin/env bash
# install_defaults with the prefix set to Windows 10, whose catalogs are
# signed with SHA-256.
E2E_SCENARIO=signed_package_win10 E2E_WINDOWS=win10 exec bash "$(dirname "$0")/install_defaults.sh"
