"""The exceptions regionkit raises when it refuses a call."""
from typing import Dict, Optional, Type

__all__ = ["RegionkitError", "RegionkitTypeError", "RegionkitValueError", "RegionkitMemoryError"]


class RegionkitError(Exception):
    """Base class of every refusal raised by regionkit.

    Attributes
    ----------
    identifier : str
        ``"<function>:<reason>"`` for refusals that carry one (the MATLAB
        error identifier of the same refusal), else ``""``.
    reason : str
        What was refused, a word such as ``"badShape"`` (the last part of
        `identifier` where there is one).
    argument : str
        The name of the argument refused, ``""`` when the refusal is about
        no one argument.
    element : int
        The element of that argument refused, counted from 1 in column-major
        (MATLAB) order for the compiled functions; 0 for none.
    value : float or None
        That element's value.
    """

    identifier: str = ""
    reason: str = ""
    argument: str = ""
    position: int = 0
    element: int = 0
    value: Optional[float] = None


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

# The class of each reason that is not a RegionkitValueError.
_CLASS_OF_REASON: Dict[str, Type[RegionkitError]] = {
    "outOfMemory": RegionkitMemoryError,
    "notReal": RegionkitTypeError,
    "notRealDouble": RegionkitTypeError,
    "notRealDoubleMatrix": RegionkitTypeError,
    "notACount": RegionkitTypeError,
    "tooFewInputs": RegionkitTypeError,
    "tooManyInputs": RegionkitTypeError,
    "wrongInputCount": RegionkitTypeError,
}


def refusal(identifier: str, reason: str, message: str, argument: str = "", position: int = 0,
            element: int = 0, value: Optional[float] = None) -> RegionkitError:
    """The exception of one refusal, from its fields: its class follows from `reason`."""
    error = _CLASS_OF_REASON.get(reason, RegionkitValueError)(message)
    error.identifier, error.reason, error.argument = identifier, reason, argument
    error.position, error.element, error.value = position, element, value
    return error
