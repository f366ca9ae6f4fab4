#!/bin/sh
# Runs PROGRAM for help2man. Its --help is PROGRAM's own, with each
# subcommand's usage as an "or:" line of the synopsis, followed by each
# subcommand's help as a section of the page (help2man's "*Name*" line), its
# option list under a heading of its own: one manual page describes every
# option, each from its one help text.
# Usage: help_with_subcommands.sh PROGRAM "SUB..." ARGUMENT...
set -eu
program=$1
subcommands=$2
shift 2
if [ "$*" != --help ]; then exec "$program" "$@"; fi
name=$(basename "$program")
main_help=$("$program" --help)
usages=
sections=
for sub in $subcommands; do
  help=$("$program" "$sub" --help)
  usages="$usages$(printf '%s\n' "$help" | sed -n 's/^Usage: /  or: /p')
"
  sections="$sections
*$name $sub*

$(printf '%s\n' "$help" | sed -e '/^Usage: /d' -e "s/^Options:\$/Options of $name $sub:/")
"
done
printf '%s\n' "$main_help" | USAGES=$usages awk '{ print } /^Usage: / { printf "%s", ENVIRON["USAGES"] }'
printf '%s' "$sections"
