#!/bin/bash
# Fails when the product library's object files reference the heap: malloc and friends,
# operator new or delete. stdio's own buffers are the C library's business.
set -euo pipefail
build=${1:-build/native}
library=$(find "$build" -name 'libwayfold_core.a' | head -n 1)
[ -n "$library" ] || { echo "check-no-heap: no libwayfold_core.a under $build" >&2; exit 1; }
found=$(nm -u -C "$library" | grep -E '\b(malloc|calloc|realloc|free|strdup|wcsdup|operator new|operator delete)\b' || true)
if [ -n "$found" ]; then
  echo "check-no-heap: the product library uses the heap:" >&2
  echo "$found" >&2
  exit 1
fi
echo "check-no-heap: $library references no heap function"
