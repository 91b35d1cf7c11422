#!/usr/bin/env bash
# The bash completion offers table names from `tavrel list` as names: a FoxPro table called
# $(touch ran) is offered quoted, and nothing runs.
#   completion_test.sh TAVREL COMPLETION FIXTURES_DIR
set -euo pipefail
tavrel=$1 completion=$2 fixtures=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-completion.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/fox"
cp "$fixtures/dbffile/vfp9_30.dbf" "$work/fox/\$(touch ran).dbf"
cd "$work"
# shellcheck source=/dev/null
source "$completion"
COMP_WORDS=(tavrel copy to-mysql --free-folder "$work/fox" '$')
COMP_CWORD=5
_tavrel "$tavrel" '$' "$work/fox"
[[ ! -e ran ]] || { echo "completing a table name ran the command in it" >&2; exit 1; }
[[ ${COMPREPLY[*]} == '\$\(touch\ ran\)' ]] || { echo "offered: ${COMPREPLY[*]}" >&2; exit 1; }
