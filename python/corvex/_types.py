"""The plain data types and the exceptions of corvex."""

import os
from typing import NamedTuple, Optional, Union


class LogError(Exception):
    """The log module refused a file: not a readable log, a file that cannot be
    opened or written, a conversion or an export that failed. The message says
    why, starting with the file it concerns; ``path`` is that file as given."""

    def __init__(self, message: str, path: Optional[Union[str, bytes, os.PathLike]] = None) -> None:
        super().__init__(message)
        self.path = path


class UnreadableRecordWarning(UserWarning):
    """A record the log module could not read (a log cut short inside its last
    record): the arrays, the export or the converted log end before it."""


class Item(NamedTuple):
    """One channel of a log (LogItem). Texts are PC-log fields; a meter log's
    label and symbol come from the unit-type catalogue."""

    label: str
    symbol: str
    unit_type: int
    channel: int
    input: int
    computer: str
    comport: int
    node_id: int
    width: int
    decimal: int


class UnitType(NamedTuple):
    """One row of the unit-type catalogue (UnitTypeInfo)."""

    id: int
    mode_name: str
    short_name: str
    name: str
    mnemonic: str
    width: int
    decimals: int
