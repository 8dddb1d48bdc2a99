"""Logs of field flow instruments, read through the Corvex log module.

    import corvex
    with corvex.open("site7.log") as log:
        log.format, log.start, log.end, log.interval, log.flags, log.items, len(log)
        t = log.times()                       # float64 log times
        v = log.values(units=[0, 2])          # float64, records x units
        e = log.errors()                      # int16 error words, records x units
        df = log.to_pandas()                  # DatetimeIndex, one column per unit
        log.export("site7.csv")               # csv or xlsx by extension, as the corvex tool writes them
    corvex.convert("site7.log", "site7.cvt")
    corvex.units()                            # the unit-type catalogue

The module reaches libCorvex.so as every client does: the class registered in
the registry store ($CORVEX_REGISTRY, else ~/.config/corvex/registry), else
libCorvex.so beside the compiled part of this package, else the one installed
in the library folder. Paths may be str, bytes or os.PathLike; their bytes are
opened as they are.
"""

from __future__ import annotations

import os
from typing import TYPE_CHECKING, List, Optional, Sequence, Union

import numpy as np

from . import _corvex
from ._corvex import convert, to_datetime64
from ._types import Item, LogError, UnitType, UnreadableRecordWarning

if TYPE_CHECKING:
    import pandas

__all__ = [
    "Item",
    "Log",
    "LogError",
    "UnitType",
    "UnreadableRecordWarning",
    "convert",
    "open",
    "to_datetime64",
    "units",
]

# Shown and pickled as corvex.Item, corvex.LogError, ...
for _public in (Item, LogError, UnitType, UnreadableRecordWarning):
    _public.__module__ = __name__

PathType = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


def _unique_names(names: Sequence[str]) -> List[str]:
    """Repeated names made unique as pandas.read_csv makes them: "x", "x.1", ..."""
    counts: dict = {}
    out = []
    for name in names:
        count = counts.get(name, 0)
        while count > 0:
            counts[name] = count + 1
            name = f"{name}.{count}"
            count = counts.get(name, 0)
        out.append(name)
        counts[name] = count + 1
    return out


def _datetime_index(times: np.ndarray, pandas_module) -> "pandas.DatetimeIndex":
    moments = to_datetime64(times)
    if int(pandas_module.__version__.split(".")[0]) < 2:
        # pandas before 2.0 holds nanoseconds only: years 1678 to 2261.
        first, last = np.datetime64("1677-09-22", "us"), np.datetime64("2262-04-11", "us")
        moments = np.where((moments >= first) & (moments <= last), moments, np.datetime64("NaT", "us"))
    return pandas_module.DatetimeIndex(moments, name="Date/Time")


class Log(_corvex.Log):
    __doc__ = _corvex.Log.__doc__
    __slots__ = ()

    def to_pandas(
        self,
        units: Optional[Sequence[int]] = None,
        start: Optional[int] = None,
        stop: Optional[int] = None,
        errors: bool = False,
    ) -> "pandas.DataFrame":
        """The records as a pandas DataFrame (pandas is imported on first use).

        The index is a DatetimeIndex named "Date/Time" (datetime64, the moments
        the general date text shows, no time zone). One float64 column per unit
        named as the exports name it ("Label (Symbol)"; repeated names get
        ".1", ".2" as pandas.read_csv gives them); with errors=True each is
        followed by its int16 error words, "<name> error". units, start, stop
        as for read().
        """
        import pandas as pd

        times, values, words = self.read(units, start, stop)
        columns = self.columns
        chosen = range(len(columns)) if units is None else units
        names = _unique_names([columns[u] for u in chosen])
        index = _datetime_index(times, pd)
        if not errors:
            return pd.DataFrame(values, index=index, columns=names)
        data = {}
        for k, name in enumerate(names):
            data[name] = values[:, k]
            data[f"{name} error"] = words[:, k]
        return pd.DataFrame(data, index=index, columns=list(data))



def open(path: PathType) -> Log:  # noqa: A001 - corvex.open, as the file's own open
    """Opens a log file; raises corvex.LogError with the module's reason when
    the module does not accept it. Use the Log as a context manager."""
    return Log(path)


def units(as_frame: bool = False) -> Union[List[UnitType], "pandas.DataFrame"]:
    """The unit-type catalogue as the module's UnitTypeInfo answers it: a list
    of corvex.UnitType rows in ascending order of id, or with as_frame=True a
    pandas DataFrame indexed by id."""
    rows = [UnitType(*row) for row in _corvex._unit_type_rows()]
    if not as_frame:
        return rows
    import pandas as pd

    return pd.DataFrame(rows, columns=UnitType._fields).set_index("id")
