"""Small stand-ins for proxies, shared by the tests."""


class Holder:
    """Carries whatever it is given as its `this`."""

    def __init__(self, this):
        self.this = this


class RaisingThis:
    """Its `this` lookup raises `error` (a ValueError unless given)."""

    def __init__(self, error=None):
        self.error = error if error is not None else ValueError("no this here")

    @property
    def this(self):
        raise self.error
