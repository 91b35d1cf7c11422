#!/usr/bin/env bash
# Prints the non-blank lines of the tracked .cpp, .h and .py files under tests/ against those of
# every other tracked .cpp, .h and .py file, and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { git ls-files -z -- '*.cpp' '*.h' '*.py' | grep -z "$1" | xargs -0 -r cat | grep -c '[^[:space:]]' || true; }
tests=$(count '^tests/')
rest=$(git ls-files -z -- '*.cpp' '*.h' '*.py' | grep -zv '^tests/' | xargs -0 -r cat | grep -c '[^[:space:]]' || true)
awk -v t="$tests" -v r="$rest" 'BEGIN { printf "tests/ %d lines, the rest %d lines: %.1f%%\n", t, r, 100 * t / r }'
