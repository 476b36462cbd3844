"""Finds what a built site would load from another host.

The site must read with no network (a cluster node, a laptop offline): every
script, stylesheet, font and image it loads comes from the site itself.
Links a reader follows (``<a href>``) are not loaded, so they may point
anywhere. Plain Python, so the tests run it without Sphinx.
"""

import re
from html.parser import HTMLParser
from pathlib import Path
from typing import Iterator, List, Optional, Tuple

# An address that a browser fetches from another host: http:, https: or protocol-relative.
_EXTERNAL = re.compile(r"^\s*(https?:)?//", re.IGNORECASE)

# The attributes through which a page loads something as it is shown.
_LOADED = {
    "script": ("src",),
    "link": ("href",),
    "img": ("src", "srcset"),
    "source": ("src", "srcset"),
    "iframe": ("src",),
    "embed": ("src",),
    "object": ("data",),
    "audio": ("src",),
    "video": ("src", "poster"),
}

# In CSS: url(...) and @import "..." (fonts, images and other stylesheets).
_CSS_ADDRESS = re.compile(r"""url\(\s*['"]?([^'")\s]+)|@import\s+['"]([^'"]+)""", re.IGNORECASE)


def _external_in_css(text: str) -> Iterator[str]:
    for match in _CSS_ADDRESS.finditer(text):
        address = match.group(1) or match.group(2)
        if _EXTERNAL.match(address):
            yield address


class _PageScanner(HTMLParser):
    def __init__(self) -> None:
        super().__init__(convert_charrefs=True)
        self.found: List[str] = []
        self._in_style = False

    def handle_starttag(self, tag: str, attrs: List[Tuple[str, Optional[str]]]) -> None:
        for name, value in attrs:
            if value is None:
                continue
            if name in _LOADED.get(tag, ()) and any(_EXTERNAL.match(part) for part in value.split(",")):
                self.found.append(f"<{tag} {name}={value!r}>")
            elif name == "style":
                self.found += [f"style {address!r}" for address in _external_in_css(value)]
        self._in_style = tag == "style"

    def handle_endtag(self, tag: str) -> None:
        self._in_style = False

    def handle_data(self, data: str) -> None:
        if self._in_style:
            self.found += [f"<style> {address!r}" for address in _external_in_css(data)]


def external_assets_of_page(html: str) -> List[str]:
    """What the HTML page loads from another host, one description per load; empty when nothing."""
    scanner = _PageScanner()
    scanner.feed(html)
    scanner.close()
    return scanner.found


def external_assets(site: Path) -> List[str]:
    """Every load from another host in the built site `site`, as "file: what", sorted by file.

    Reads each page (.html) and each stylesheet (.css); never fails on a file
    it cannot decode, which it reads with replacement characters."""
    found = []
    for path in sorted(site.rglob("*")):
        if path.suffix not in (".html", ".css"):
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        loads = external_assets_of_page(text) if path.suffix == ".html" else list(_external_in_css(text))
        found += [f"{path.relative_to(site)}: {load}" for load in loads]
    return found
