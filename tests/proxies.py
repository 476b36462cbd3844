"""Small stand-ins for proxies, shared by the tests."""


class Holder:
    """Carries whatever it is given as its `this`."""

    def __init__(self, this):
        self.this = this


class RaisingThis:
    """Its `this` lookup raises."""

    @property
    def this(self):
        raise ValueError("no this here")
