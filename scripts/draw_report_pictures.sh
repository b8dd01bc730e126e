#!/bin/sh
# Redraws the README's pictures of `kx simulate`'s charts from the bundled model: the --plot page
# of its net present value (examples/product_launch_plot.png) and the report workbook's Charts
# sheet as LibreOffice prints it, the first output's page (docs/report_workbook_charts.png).
# Needs a built kx (build/cli/kx, or KX=...), LibreOffice (soffice) and pdftoppm (poppler-utils).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
kx=${KX:-$root/build/cli/kx}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$kx" simulate -n 20000 --seed 3 --target "Net present value<=0" --plot "$work/plot.png" \
  --xlsx "$work/report.xlsx" >/dev/null 2>&1
cp "$work/plot-Net_present_value.png" "$root/examples/product_launch_plot.png"

# LibreOffice prints every visible sheet: a copy shows the Charts sheet alone.
python3 - "$work/report.xlsx" "$work/charts.xlsx" <<'PY'
import re
import sys
import zipfile

source = zipfile.ZipFile(sys.argv[1])
copy = zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED)
for item in source.infolist():
    data = source.read(item.filename)
    if item.filename == "xl/workbook.xml":
        text = data.decode()
        sheets = re.findall(r'<sheet name="([^"]+)"', text)
        text = re.sub(r'activeTab="\d+" ?', "", text)
        text = text.replace("<workbookView ", '<workbookView activeTab="%d" ' % sheets.index("Charts"))
        text = re.sub(r'<sheet name="(?!Charts")', '<sheet state="hidden" name="', text)
        data = text.encode()
    copy.writestr(item, data)
copy.close()
PY
(cd "$work" && soffice --headless --convert-to pdf charts.xlsx >/dev/null 2>&1)
# The first page at 110 dpi, without the paper's empty margins.
pdftoppm -f 1 -l 1 -r 110 -x 70 -y 70 -W 1040 -H 680 -png -singlefile "$work/charts.pdf" "$work/charts"
cp "$work/charts.png" "$root/docs/report_workbook_charts.png"
