#!/usr/bin/env bash
# The main job: builds everything, then scores the sample log with the
# plug-in's own rules and prints each contact's result and the report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
echo
echo "== scoring data/sample.log"
build/native/score_log data/sample.log
