"""The exceptions regionkit raises when it refuses a call."""

__all__ = ["RegionkitError", "RegionkitTypeError", "RegionkitValueError", "RegionkitMemoryError"]


class RegionkitError(Exception):
    """Base class of every refusal raised by regionkit.

    Attributes
    ----------
    identifier : str
        ``"<function>:<reason>"`` for refusals that carry one (the MATLAB
        error identifier of the same refusal), else ``""``.
    reason : str
        The last part of `identifier`, a word such as ``"badShape"``.
    """

    identifier: str = ""
    reason: str = ""


class RegionkitTypeError(RegionkitError, TypeError):
    """An argument of the wrong kind (complex, string, object), or the wrong
    number of arguments."""


class RegionkitValueError(RegionkitError, ValueError):
    """An argument of the right kind but the wrong shape, size or value."""


class RegionkitMemoryError(RegionkitError, MemoryError):
    """The memory for a result or a working copy could not be had."""


# Shown as regionkit.RegionkitValueError, where users import them from.
for _cls in (RegionkitError, RegionkitTypeError, RegionkitValueError, RegionkitMemoryError):
    _cls.__module__ = "regionkit"
