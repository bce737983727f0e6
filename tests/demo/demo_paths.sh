#!/usr/bin/env bash
# scripts/demo takes the paths a user gives from the folder the user runs
# it in, although it changes to the repository's folder to build and run.
set -euo pipefail
demo_script=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/here/sub"
cd "$work/here"
got=$(TESSERA_DEMO_DRY_RUN=1 "$demo_script" --script tour.txt --log=sub/tour.log --screenshot /abs/shot.png \
      --frames 5 --headless --data ../data)
expected="--script
$work/here/tour.txt
--log
$work/here/sub/tour.log
--screenshot
/abs/shot.png
--frames
5
--headless
--data
$work/here/../data"
if [ "$got" != "$expected" ]; then
  echo "demo paths: got" >&2; echo "$got" >&2; exit 1
fi
# A trailing option without its value is passed on for the game to refuse.
got=$(TESSERA_DEMO_DRY_RUN=1 "$demo_script" --log)
[ "$got" = "--log" ] || { echo "demo paths: a lone --log became '$got'" >&2; exit 1; }
echo "demo paths: ok"
