"""``python -m Halx``: the ``halx`` command line (see ``python -m Halx --help``)."""

from .cli import main

raise SystemExit(main())
