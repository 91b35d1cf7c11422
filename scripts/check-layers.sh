#!/usr/bin/env bash
# Fails when an #include crosses the program's layers the wrong way:
# - foxpro-engine/ and platform/ado/ are plain C++: no Qt, no other layer of the program, no
#   database client library;
# - a provider (platform/mysql/, platform/foxpro/, platform/Providers.*) includes no window code;
# - the windows and their commands (shell/, connections/, catalogue/, mainwindow/, transfer/)
#   reach the engine and MySQL only through the data-access layer: never foxpro-engine/,
#   mysql.h or a provider's own headers directly;
# - the commands and what they are given (the files both fronts share) and the command line
#   (cli/) include no widget header, neither Qt's nor the windows' own: `tavrel VERB` runs
#   without a display.
# An include "X" is resolved beside the including file first, then from the top of the tree.
set -euo pipefail
cd "$(dirname "$0")/.."

failures=0
fail() {
  echo "layer check: $1: $2" >&2
  failures=$((failures + 1))
}

# Prints "file<TAB>included path as resolved" for every #include "…", and "file<TAB><system>" for <…>.
includes() {
  local file line target dir
  for file in $(git ls-files -- "$@" | grep -E '\.(h|cpp)$'); do
    dir=$(dirname "$file")
    while IFS= read -r line; do
      if [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
        target=${BASH_REMATCH[1]}
        if [[ -e $dir/$target ]]; then target=$(realpath -m --relative-to=. "$dir/$target"); fi
        printf '%s\t%s\n' "$file" "$target"
      elif [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
        printf '%s\t<%s>\n' "$file" "${BASH_REMATCH[1]}"
      fi
    done <"$file"
  done
}

is_qt() { [[ $1 =~ ^\<Q || $1 =~ ^\<qt ]]; }
is_mysql() { [[ $1 =~ ^\<(mysql|mariadb|errmsg|mysqld_error)[./] ]]; }

while IFS=$'\t' read -r file target; do
  if is_qt "$target" || is_mysql "$target"; then
    fail "$file" "includes $target"
  elif [[ $target != \<* && $target != foxpro-engine/* ]]; then
    fail "$file" "includes $target, outside the engine"
  fi
done < <(includes foxpro-engine)

while IFS=$'\t' read -r file target; do
  if is_qt "$target" || is_mysql "$target"; then
    fail "$file" "includes $target"
  elif [[ $target != \<* && $target != platform/ado/* ]]; then
    fail "$file" "includes $target, outside the data-access layer"
  fi
done < <(includes platform/ado)

while IFS=$'\t' read -r file target; do
  case $target in
    shell/* | connections/* | catalogue/* | mainwindow/* | transfer/* | platform/ui/* | \<Q*)
      fail "$file" "a provider includes window code: $target" ;;
  esac
done < <(includes platform/mysql platform/foxpro 'platform/Providers.*')

while IFS=$'\t' read -r file target; do
  if [[ $target == foxpro-engine/* ]] || is_mysql "$target" || [[ $target == platform/mysql/* || $target == platform/foxpro/* ]]; then
    fail "$file" "reaches past the data-access layer: $target"
  fi
done < <(includes shell connections catalogue mainwindow transfer cli)

# Qt's headers outside QtCore, and the program's window headers.
is_widget() {
  [[ $1 =~ ^\<Qt(Widgets|Gui|Test)/ || $1 =~ ^\<Q(Widget|Application|GuiApplication|ProgressBar|ListWidget|MessageBox|InputDialog|FileDialog|LineEdit|Label|Cursor|Pixmap|Image|Screen|Test|Font|Palette|KeyEvent|FocusEvent|MouseEvent|CloseEvent|AbstractButton|CheckBox|RadioButton|PushButton|DesktopServices)\> ]] ||
    [[ $1 =~ ^shell/(ButtonCheckBox|Command|CursorFile|Environment|FormLook|Helpers|Pointer|Startup|TableList)\.h$ ]] ||
    [[ $1 =~ ^(connections/(AddFolder|Form1|MainWindow)|mainwindow/(Form2|WindowFront)|platform/ui/QtDialogs)\.h$ ]]
}
while IFS=$'\t' read -r file target; do
  if is_widget "$target"; then fail "$file" "a command or the command line includes a widget header: $target"; fi
done < <(includes cli catalogue transfer 'mainwindow/DeleteTables.*' 'mainwindow/RenameTable.*' \
  'connections/ConnectionStrings.*' 'platform/ui/Dialogs.*' 'platform/ui/ScriptedDialogs.*' \
  'platform/ui/TerminalDialogs.*' 'shell/Pump.*' 'shell/Settings.*' 'shell/SelectAll.*' 'shell/SortedTableNames.*' \
  'shell/TableNames.*' shell/CommandFront.h shell/CommandParts.h shell/ConnectionSettings.h)

if ((failures > 0)); then
  echo "layer check: $failures include(s) cross a layer" >&2
  exit 1
fi
echo "layer check: ok"
