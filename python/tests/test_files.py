"""Exports, conversions and the unit catalogue against the corvex tool, and
to_pandas against its own export read back by pandas."""

import os
import warnings

import numpy as np
import pandas as pd
import pytest

import corvex
from conftest import LOGS, run_tool


def unreadable_warnings(call):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = call()
    return result, [str(w.message) for w in caught if w.category is corvex.UnreadableRecordWarning]


@pytest.mark.parametrize("name, out, options, tool_options", [
    ("pc_three_items", "out.csv", {}, []),
    ("meter_at_40_int32_both", "out.txt", dict(units=[2, 0], errors=False, delimiter=";"),
     ["--units", "2,0", "--no-errors", "--delimiter", ";"]),
    ("compact_int16_basic", "out.csv", dict(format="xlsx", log_info=False), ["--format", "xlsx", "--no-log-info"]),
    ("pc_flow", "out.xlsx", {}, []),
    ("meter_cut_last_record", "out.csv", {}, []),
])
def test_export_writes_the_tools_file(name, out, options, tool_options, tmp_path):
    ours, theirs = tmp_path / "ours" / out, tmp_path / "theirs" / out
    ours.parent.mkdir(), theirs.parent.mkdir()
    status, _, said = run_tool("export", LOGS[name], "-o", theirs, *tool_options)
    with corvex.open(LOGS[name]) as log:
        written, unreadable = unreadable_warnings(lambda: log.export(ours, **options))
    assert ours.read_bytes() == theirs.read_bytes()
    assert unreadable == ([] if status == 0 else [said.removeprefix("corvex export: ").rstrip("\n")
                                                  .replace(str(theirs), str(ours))])
    assert written == len(log) - (status != 0)


@pytest.mark.parametrize("name", ["pc_flow", "meter_flow", "compact_flow", "pc_twelve_channels_long"])
def test_to_pandas_round_trips_through_export(name, tmp_path):
    csv = tmp_path / "log.csv"
    with corvex.open(LOGS[name]) as log:
        log.export(csv, log_info=False)
        frame = log.to_pandas(errors=True)
        detailed = log.flags["detailed_errors"]
    back = pd.read_csv(csv, index_col="Date/Time", parse_dates=["Date/Time"], float_precision="round_trip")
    values = frame.iloc[:, 0::2]
    # The file holds 15 significant digits.
    expected = values.applymap(lambda v: float(f"{v:.15G}"))
    pd.testing.assert_frame_equal(back[values.columns], expected, check_freq=False)
    if detailed:
        error_columns = [c for c in back.columns if c.startswith("Error #")]
        np.testing.assert_array_equal(back[error_columns].to_numpy(), frame.iloc[:, 1::2].to_numpy())
    assert list(frame.columns[1::2]) == [f"{c} error" for c in values.columns]


@pytest.mark.parametrize("name", ["meter_at_68_int16_basic", "pc_three_items", "meter_cut_last_record"])
def test_convert_writes_the_tools_file(name, tmp_path):
    ours, theirs = tmp_path / "ours.cvt", tmp_path / "theirs.cvt"
    status, _, said = run_tool("convert", LOGS[name], theirs, "--computer", "LAPTOP", "--comport", "3")
    written, unreadable = unreadable_warnings(
        lambda: corvex.convert(LOGS[name], ours, computer="LAPTOP", comport=3))
    assert ours.read_bytes() == theirs.read_bytes()
    assert unreadable == ([] if status == 0 else [said.removeprefix("corvex convert: ").rstrip("\n")
                                                  .replace(str(theirs), str(ours))])
    with corvex.open(LOGS[name]) as log:
        assert written == len(log) - (status != 0)


@pytest.mark.parametrize("source, destination, reason, concerns", [
    ("converted_three_items", "out.cvt", "not a readable log", "source"),
    ("pc_flow", "missing/out.cvt", "cannot write", "destination"),
    ("pc_flow", None, "is the source log itself", "destination"),
])
def test_a_conversion_that_cannot_be_done_writes_nothing(source, destination, reason, concerns, tmp_path):
    target = tmp_path / destination if destination else LOGS[source]
    log_bytes = open(LOGS[source], "rb").read()
    with pytest.raises(corvex.LogError, match=reason) as refused:
        corvex.convert(LOGS[source], target)
    assert os.listdir(tmp_path) == [] and open(LOGS[source], "rb").read() == log_bytes
    assert refused.value.path == {"source": LOGS[source], "destination": target}[concerns]


def test_units_are_the_tools_catalogue():
    _, out, _ = run_tool("units")
    rows = [line.split("\t") for line in out.decode().splitlines()[1:]]
    assert [[str(field) for field in row] for row in corvex.units()] == rows
    frame = corvex.units(as_frame=True)
    assert frame.loc[577, "short_name"] == "m/s" and len(frame) == len(rows)
