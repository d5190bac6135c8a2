#!/usr/bin/env bash
# Keeps a fuzzing finding as a regression input: strips the extension byte, names the file with
# its extension and adds the note to the folder's NOTES.txt.
# Usage: bench/fuzz/keep.sh ARTIFACT NAME "what it did"
set -euo pipefail
artifact=$1 name=$2 note=$3
folder=$(cd "$(dirname "$0")/../.." && pwd)/tests/platform/converter/conversion-regressions
extensions=(jpg jpeg jpe png tiff tif tga bmp)
number=$(head -c 1 "$artifact" | od -An -tu1 | tr -d ' ')
file=$name.${extensions[number % 8]}
mkdir -p "$folder"
tail -c +2 "$artifact" >"$folder/$file"
echo "$file: $note" >>"$folder/NOTES.txt"
echo "$folder/$file"
