"""Sphinx configuration of the Halx documentation.

    python -m pip install ".[docs]"
    python -m sphinx -W -b html docs docs/_build/html       # the site
    python -m sphinx -W -b doctest docs docs/_build/doctest  # its examples, run

The pages are MyST markdown. Whatever the code already says is taken from it:
the Python API from the docstrings of the installed package, the command line
from its argparse parser, the tables of properties and constants from the
property table (docs/_ext/halx_docs.py), the phase diagram drawn by
Halx.plot at build time and the binding's design note from binding/README.md.

The site reads with no network: MathJax is served from the site itself
(sphinx-mathjax-offline), and the build fails when a page loads a script, a
stylesheet or a font from elsewhere (docs/_ext/halx_docs.py).
"""

import sys
from importlib.metadata import version as _version
from pathlib import Path

import matplotlib

# The plot directive draws without a screen.
matplotlib.use("Agg")

# The project's own directives (docs/_ext/halx_docs.py).
sys.path.insert(0, str(Path(__file__).resolve().parent / "_ext"))

project = "Halx"
author = "The Halx developers"
copyright = "The Halx developers"
release = _version("Halx")
version = ".".join(release.split(".")[:2])

extensions = [
    "myst_parser",
    "sphinx.ext.autodoc",
    "sphinx.ext.doctest",
    "sphinx.ext.mathjax",
    # MathJax copied into the site, in place of the default CDN address.
    "sphinx-mathjax-offline",
    "sphinx.ext.napoleon",
    "matplotlib.sphinxext.plot_directive",
    "halx_docs",
]

exclude_patterns = ["_build"]
myst_enable_extensions = ["dollarmath", "amsmath", "colon_fence", "deflist"]
myst_heading_anchors = 3

# The API pages document the installed package, as users import it.
autodoc_member_order = "bysource"
autodoc_typehints = "description"
napoleon_numpy_docstring = True
napoleon_google_docstring = False

# The phase diagram is drawn by Halx.plot when the site is built.
plot_include_source = True
plot_html_show_source_link = False
plot_html_show_formats = False
plot_formats = [("png", 100)]

html_theme = "pydata_sphinx_theme"
html_title = f"Halx {release}"
html_theme_options = {
    "navigation_with_keys": False,
    "show_toc_level": 2,
}
# The landing page belongs to no section, so it has no section navigation.
html_sidebars = {"index": []}
html_static_path = ["_static"]
html_css_files = ["halx.css"]
