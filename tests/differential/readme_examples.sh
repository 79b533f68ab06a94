#!/usr/bin/env bash
# Every example of the README is an end-to-end case, with the output the case expects.
set -euo pipefail
cd "$(dirname "$0")/../.."
exec python3 tests/e2e/readme_examples.py
