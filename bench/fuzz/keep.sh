#!/usr/bin/env bash
# Keeps a fuzzing finding as a regression input: strips the extension byte, names the file with
# its extension, adds the note to the folder's NOTES.txt and its outcome to OUTCOMES.txt.
# Usage: bench/fuzz/keep.sh ARTIFACT NAME "what it did" OUTCOME
# OUTCOME: what the converter now does with it: truncated, decoder, limit, converted or exit N (see the
# first line of OUTCOMES.txt); the converter's test checks it.
set -euo pipefail
artifact=$1 name=$2 note=$3 outcome=$4
folder=$(cd "$(dirname "$0")/../.." && pwd)/tests/platform/converter/conversion-regressions
extensions=(jpg jpeg jpe png tiff tif tga bmp webp avif heic heif jxl)
number=$(head -c 1 "$artifact" | od -An -tu1 | tr -d ' ')
file=$name.${extensions[number % ${#extensions[@]}]}
mkdir -p "$folder"
tail -c +2 "$artifact" >"$folder/$file"
echo "$file: $note" >>"$folder/NOTES.txt"
echo "$file $outcome" >>"$folder/OUTCOMES.txt"
echo "$folder/$file"
