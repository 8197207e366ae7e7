#!/usr/bin/env bash
# Prints the example drawing's DXF with LibreCAD, headless, when LibreCAD is installed (exit 77,
# skipped, when it is not). LibreCAD must read the file without complaint and write a PDF.
# Usage: checkLibreCad.sh VEMORA EXAMPLE_IMAGE
set -euo pipefail
command -v librecad >/dev/null 2>&1 || { echo "LibreCAD is not installed: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" trace "$2" -o "$work/drawing.dxf" --units mm --quiet
log=$(cd "$work" && QT_QPA_PLATFORM=offscreen timeout 120 librecad dxf2pdf -a -o out.pdf drawing.dxf 2>&1) || {
    echo "$log"; exit 1; }
if grep -qiE "error|could not|failed|invalid" <<<"$log"; then echo "$log"; exit 1; fi
# With -a LibreCAD may name the PDF after the drawing instead.
pdf=$(ls "$work"/*.pdf 2>/dev/null | head -n 1)
[ -n "$pdf" ] && [ -s "$pdf" ] || { echo "no PDF written"; echo "$log"; exit 1; }
echo "LibreCAD printed the drawing"
