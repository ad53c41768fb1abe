#!/bin/bash
# The device owner by pen on a new device: the installer, unattended, names the owner after
# the account it runs under and gives no e-mail; the first document's company link opens
# My Company, whose My Name row shows that name and whose E-mail row stays empty.
# Usage: owner_name.sh Slateway slateway-install outdir [--hires]
set -u
source "$(dirname "$0")/display_common.sh"
read_args program installer out -- "$@"
name=$shape-owner
start_on_new_device

expect 445 192 register 255,255,255
step 200 192 editor                       # the first document opens in the editor
step 85 165 company                       # its company name: My Company
# The value column of My Name, and of E-mail, in either window.
[ "$(written 300x14+140+126 company)" = 1 ] || fail "My Name shows no name"
[ "$(written 300x36+140+294 company)" = 0 ] || fail "E-mail shows an address the owner has not given"
end_program $pid Slateway
exit $failed
