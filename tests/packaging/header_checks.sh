#!/usr/bin/env bash
# The public headers compile cleanly as C89, C99, C11 and C17, and passing 0 where a declaration says an
# argument is never 0 draws the compiler's warning.
set -euo pipefail
cc=$1 include=$2
for std in c89 c99 c11 c17; do
  printf '#include <oxw.h>\nint main(void) { return 0; }\n' |
    "$cc" -x c -std=$std -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$include" -
done
warned=$(printf '#include <ox.h>\nint main(void) { return oxAlloc(100, 0, 0) != 0; }\n' |
         "$cc" -x c -std=c99 -Wall -fsyntax-only -I"$include" - 2>&1 || true)
if ! printf '%s' "$warned" | grep -q 'Wnonnull'; then
  echo "no nonnull warning for oxAlloc(100, 0, 0):" >&2
  printf '%s\n' "$warned" >&2
  exit 1
fi
echo "headers clean as C89 to C17; a 0 error code argument is warned about"
