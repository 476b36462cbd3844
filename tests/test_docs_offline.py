"""The documentation site's check that no page loads anything from another host."""

import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "docs" / "_ext"))

from offline_assets import external_assets, external_assets_of_page  # noqa: E402

pytestmark = pytest.mark.python_layer


@pytest.mark.parametrize(
    "html, found",
    [
        ('<script src="https://cdn.example.org/mathjax/tex-chtml.js"></script>', 1),
        ('<script src="//cdn.example.org/x.js"></script>', 1),
        ('<link rel="stylesheet" href="http://fonts.example.org/css?family=Lato">', 1),
        ('<img srcset="a.png 1x, https://img.example.org/b.png 2x">', 1),
        ("<style>@font-face { src: url('https://fonts.example.org/a.woff2') }</style>", 1),
        ('<div style="background: url(https://img.example.org/a.png)"></div>', 1),
        ('<script src="_static/mathjax/tex-chtml.js"></script>', 0),
        ('<link rel="stylesheet" href="_static/styles/theme.css">', 0),
        ('<a href="https://example.org/">a link is followed, not loaded</a>', 0),
        ('<img src="data:image/png;base64,AAAA">', 0),
        ("<p>url(https://example.org/) in text is not CSS</p>", 0),
    ],
)
def test_loads_from_another_host_are_found(html, found):
    assert len(external_assets_of_page(html)) == found


def test_a_site_is_checked_page_by_page_and_stylesheet_by_stylesheet(tmp_path):
    (tmp_path / "_static").mkdir()
    (tmp_path / "index.html").write_text('<script src="_static/a.js"></script>', encoding="utf-8")
    (tmp_path / "api.html").write_text('<script src="https://cdn.example.org/a.js"></script>', encoding="utf-8")
    (tmp_path / "_static" / "a.css").write_text('@import "https://fonts.example.org/b.css";', encoding="utf-8")
    assert external_assets(tmp_path) == [
        "_static/a.css: https://fonts.example.org/b.css",
        "api.html: <script src='https://cdn.example.org/a.js'>",
    ]
