"""Checks the built documentation site at a wide and a phone-width window, in headless Chromium.

    python .ci/docs_layout.py docs/_build/html [PAGE.html ...]

Each page (by default every page of the site) is laid out at 1280 and at 412
px wide. A page fails when it is wider than the window (it scrolls sideways),
when a table is cut off beside the sidebars of a wide window (it must fit its
column there, or be laid out as blocks), or when a picture is drawn much
smaller than it was made, so that its lettering shrinks below what can be
read. One Chromium run lays out every page at both widths, each in a frame of
a page added to a copy of the site, whose script measures them and leaves
what it found in the document that Chromium prints.
"""

import json
import shutil
import subprocess
import sys
import tempfile
from html import unescape
from pathlib import Path
from typing import List

WIDTHS = (1280, 412)
# A picture shown at less than this share of its width in pixels: lettering
# of 10 pt at 100 dpi (14 px) falls below 8 px. The caloric page's figure,
# lettered at 12 pt for a phone, is shown at 0.57 of its width there.
LEAST_SCALE = 0.55

_HARNESS = """<!DOCTYPE html><html><body><script>
const pages = PAGES, widths = WIDTHS, found = [];
let waiting = pages.length * widths.length;
function measure(frame, page, width) {
  const view = frame.contentWindow, root = view.document.documentElement, at = `${page} at ${width} px: `;
  if (root.scrollWidth > root.clientWidth + 1) found.push(`${at}the page is ${root.scrollWidth} px wide`);
  for (const box of root.querySelectorAll(".bd-article .pst-scrollable-table-container")) {
    if (view.innerWidth >= 960 && box.scrollWidth > box.clientWidth + 1) {
      const text = box.innerText.replace(/\\s+/g, " ").slice(0, 60);
      found.push(`${at}a table is cut at ${box.clientWidth} of ${box.scrollWidth} px: ${text}`);
    }
  }
  for (const image of root.querySelectorAll(".bd-article img")) {
    const shown = image.getBoundingClientRect().width;
    if (shown > 0 && image.naturalWidth > 0 && shown < LEAST_SCALE * image.naturalWidth)
      found.push(`${at}${image.getAttribute("src")} is shown at ${Math.round(shown)} of its ${image.naturalWidth} px`);
  }
  if (--waiting === 0) document.body.setAttribute("data-found", JSON.stringify(found));
}
for (const page of pages) for (const width of widths) {
  const frame = document.createElement("iframe");
  frame.style.cssText = `width: ${width}px; height: 1000px; border: 0`;
  frame.onload = () => measure(frame, page, width);
  frame.src = page;
  document.body.appendChild(frame);
}
</script></body></html>"""


def findings(site: Path, pages: List[str], chromium: str) -> List[str]:
    """What is wrong with the layout of the pages (names of files in site) at each of WIDTHS."""
    harness = site / "halx-layout-check.html"
    script = _HARNESS.replace("PAGES", json.dumps(pages)).replace("WIDTHS", json.dumps(WIDTHS))
    harness.write_text(script.replace("LEAST_SCALE", repr(LEAST_SCALE)), encoding="utf-8")
    command = [
        chromium,
        "--headless",
        "--no-sandbox",
        "--disable-gpu",
        "--hide-scrollbars",
        "--force-device-scale-factor=1",
        "--allow-file-access-from-files",
        "--virtual-time-budget=20000",
        "--dump-dom",
        harness.as_uri(),
    ]
    dumped = subprocess.run(command, capture_output=True, text=True, timeout=300)
    start = dumped.stdout.find('data-found="')
    if start < 0:
        return [f"Chromium did not lay the pages out (status {dumped.returncode}): {dumped.stderr.strip()[-300:]}"]
    text = dumped.stdout[start + len('data-found="') :].split('"', 1)[0]
    return list(json.loads(unescape(text)))


def main(site: str, names: List[str]) -> int:
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if chromium is None:
        print("the check needs chromium (Debian: apt-get install chromium)")
        return 1
    with tempfile.TemporaryDirectory() as copy:
        shutil.copytree(site, copy, dirs_exist_ok=True)
        pages = names or sorted(path.name for path in Path(copy).glob("*.html"))
        found = findings(Path(copy), pages, chromium)
    if found:
        print("\n".join(found))
    print(f"{len(pages)} pages at {' and '.join(map(str, WIDTHS))} px: {len(found) or 'nothing'} found")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2:]))
