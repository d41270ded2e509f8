#!/usr/bin/env bash
# Builds Tabrix with gcov instrumentation (Debug, --coverage) into build-cov/, runs every CTest
# test there (the editor's tests on the offscreen platform as usual), then prints the line and
# branch coverage of src/ and the size of the tests against the code.
#
# Lines of code, for the ratio: lines of the .cpp and .h files that hold something other than
# white space and comments (// to the end of the line, /* ... */ across lines; comment marks
# inside string and character literals do not count as comments).
#
# Branch coverage leaves out the branches GCC adds for exceptions thrown by calls and those it
# proves unreachable, so that the number speaks of the code's own decisions.
#
#   scripts/coverage.sh            build, run, report
#   scripts/coverage.sh --count    only the line counts
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TABRIX_COVERAGE_DIR:-"$root/build-cov"}
jobs=${TABRIX_JOBS:-2}

count_code_lines() {
  find "$@" \( -name '*.cpp' -o -name '*.h' \) -type f -print0 | xargs -0 cat | awk '
    {
      line = $0; code = ""; i = 1; n = length(line); quote = ""
      while (i <= n) {
        c = substr(line, i, 1); two = substr(line, i, 2)
        if (in_block) {
          if (two == "*/") { in_block = 0; i += 2 } else i++
          continue
        }
        if (quote != "") {
          code = code c
          if (c == "\\") { code = code substr(line, i + 1, 1); i += 2; continue }
          if (c == quote) quote = ""
          i++; continue
        }
        if (two == "//") break
        if (two == "/*") { in_block = 1; i += 2; continue }
        if (c == "\"" || c == "'\''") quote = c
        code = code c; i++
      }
      if (code ~ /[^ \t\r]/) count++
    }
    END { print count + 0 }'
}

print_ratio() {
  local src tests
  src=$(count_code_lines "$root/src")
  tests=$(count_code_lines "$root/tests")
  awk -v s="$src" -v t="$tests" 'BEGIN {
    printf "code lines: src %d, tests %d, tests/src %.1f%%\n", s, t, 100 * t / s }'
}

if [[ "${1:-}" == "--count" ]]; then
  print_ratio
  exit 0
fi

command -v gcovr >/dev/null || { echo "coverage: gcovr is missing (apt-get install gcovr)" >&2; exit 2; }

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Counters are updated atomically: large sorts, reads and saves run on several threads, and
# racing increments would leave counts that contradict each other.
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_CXX_FLAGS=--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage \
  -DCMAKE_SHARED_LINKER_FLAGS=--coverage "${launcher[@]}" >/dev/null
cmake --build "$build_dir" -j "$jobs"

# Counts from an earlier run would add up with this one.
find "$build_dir" -name '*.gcda' -delete
ctest --test-dir "$build_dir" -j "$jobs" --output-on-failure

gcovr --root "$root" --object-directory "$build_dir" --filter "$root/src/" \
  --exclude-throw-branches --exclude-unreachable-branches -j "$jobs" \
  --print-summary --output "$build_dir/coverage.txt"
print_ratio
