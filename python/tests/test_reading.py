"""Reading logs: header, items and arrays against what `corvex dump` prints."""

import datetime
import os
import pathlib
import warnings

import numpy as np
import pytest

import corvex
from conftest import LOGS, READABLE, REFUSED, dump_json, number, run_tool

FLAG_KEYS = {"Basic Errors": "basic_errors", "Detailed Errors": "detailed_errors",
             "Error Log (HOLD)": "error_log_hold", "Cyclic Log": "cyclic_log"}


def read_all(path):
    """Log.read() with the warnings it gave."""
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        with corvex.open(path) as log:
            arrays = log.read()
    return log, arrays, [str(w.message) for w in caught if w.category is corvex.UnreadableRecordWarning]


@pytest.mark.parametrize("name", READABLE)
def test_header_and_arrays_equal_dump(name):
    status, header, records = dump_json(LOGS[name])
    log, (times, values, errors), unreadable = read_all(LOGS[name])

    assert (log.format_key, log.header_offset) == (header["format"], header.get("header_offset"))
    assert (log.cyclic_flags, log.error_flags, log.interval, len(log)) == \
        (header["cyclic_flags"], header["error_flags"], header["interval"], header["record_count"])
    assert log.flags == {key: flag in header["flags"] for flag, key in FLAG_KEYS.items()}
    np.testing.assert_array_equal([log.start_time, log.end_time],
                                  [number(header["start_time"]), number(header["end_time"])])
    assert [item._asdict() for item in log.items] == [
        {field: item[field] for field in corvex.Item._fields} for item in header["items"]]

    # A record the tool cannot read ends its dump with exit status 2; the arrays end there too.
    assert unreadable == ([] if status == 0 else [
        f"{os.fsdecode(LOGS[name])}: could not read record {len(records)} (counting from 0) of {len(log)}; "
        "the arrays end there"])
    units = len(header["items"])
    assert (times.dtype, values.dtype, errors.dtype) == (np.float64, np.float64, np.int16)
    assert values.shape == errors.shape == (len(records), units)
    np.testing.assert_array_equal(times, [number(r["time"]) for r in records])
    np.testing.assert_array_equal(values, np.array([[number(v) for v in r["values"]] for r in records],
                                                   dtype=float).reshape(len(records), units))
    np.testing.assert_array_equal(errors, np.array([r["errors"] for r in records]).reshape(len(records), units))


def moment_of(text):
    """The moment a general date text of the C locale names: date and time, a date, or a time on 1899-12-30."""
    date, _, clock = text.partition(" ") if " " in text else ((text, "", "") if text.count("-") == 2 else
                                                                 ("1899-12-30", "", text))
    if not date[:4].isdigit() or (clock and ":" not in clock) or (not clock and ":" in date):
        return np.datetime64("NaT", "us")
    return np.datetime64(f"{date}T{clock or '00:00:00'}", "us")


@pytest.mark.parametrize("name", ["pc_not_numbers", "meter_at_68_int16_basic", "pc_flow", "pc_no_items"])
def test_datetimes_are_the_moments_the_date_text_shows(name):
    _, out, _ = run_tool("dump", LOGS[name])
    texts = [line.split("\t")[0] for line in out.decode().splitlines()[1:]]
    with corvex.open(LOGS[name]) as log:
        shown = [moment_of(text) if log.columns else np.datetime64("NaT", "us") for text in texts]
        np.testing.assert_array_equal(log.datetimes(), np.array(shown, dtype="datetime64[us]"))
        assert log.datetimes().dtype == np.dtype("datetime64[us]")


@pytest.mark.parametrize("log_time, shown", [
    (0.0, "1899-12-30T00:00:00"),
    (-1.25, "1899-12-29T06:00:00"),
    (45356.5 + 1.4999 / 86400, "2024-03-05T12:00:01"),
    (45356.5 + 1.5001 / 86400, "2024-03-05T12:00:02"),
    (45356.99999999, "2024-03-06T00:00:00"),
    (float("nan"), "NaT"),
    (float("-inf"), "NaT"),
    (3e6, "NaT"),
])
def test_to_datetime64(log_time, shown):
    np.testing.assert_array_equal(corvex.to_datetime64([log_time]), np.array([shown], dtype="datetime64[us]"))


def test_start_and_end_are_naive_datetimes():
    with corvex.open(LOGS["pc_flow"]) as log:
        assert (log.start, log.end) == (datetime.datetime(2024, 3, 5, 8), datetime.datetime(2024, 3, 5, 12, 59))
        assert log.format == "PC log"


@pytest.mark.parametrize("units, start, stop", [
    (None, None, None),
    ([11, 0, 0], 8190, 8200),     # across a read block, a unit twice
    ([-1], -5, None),              # negative positions count from the end
    (None, 100, 50),               # an empty range
    ([3], 19990, 10**9),           # clamped as a slice is
    ([], None, 10),
])
def test_ranges_and_units_pick_as_slices_do(units, start, stop):
    with corvex.open(LOGS["pc_twelve_channels_long"]) as log:
        times, values, errors = log.read()
        pick = list(range(12)) if units is None else units
        np.testing.assert_array_equal(log.times(start, stop), times[start:stop])
        np.testing.assert_array_equal(log.values(units, start, stop), values[start:stop][:, pick])
        np.testing.assert_array_equal(log.errors(units=units, start=start, stop=stop), errors[start:stop][:, pick])
        frame = log.to_pandas(units, start, stop)
        np.testing.assert_array_equal(frame.to_numpy(), values[start:stop][:, pick])
        names = [log.columns[unit] for unit in pick]
        if len(set(names)) == len(names):  # repeated names get pandas' suffixes, as the round trip checks
            assert list(frame.columns) == names
        np.testing.assert_array_equal(frame.index.to_numpy(), log.datetimes()[start:stop])


@pytest.mark.parametrize("name", sorted(REFUSED) + ["missing", "folder", "empty"])
def test_refused_files_raise_log_error_with_the_tools_reason(name, tmp_path):
    path = {"missing": tmp_path / "missing.log", "folder": tmp_path, "empty": tmp_path / "empty.log"}.get(name)
    if name == "empty":
        path.write_bytes(b"")
    path = LOGS.get(name, path)
    _, _, said = run_tool("info", path)
    with pytest.raises(corvex.LogError) as refused:
        corvex.open(path)
    assert "corvex info: " + str(refused.value) + "\n" == said
    assert refused.value.path == os.fspath(path)


@pytest.mark.parametrize("call, error", [
    (lambda log: log.values(units=[12]), IndexError),
    (lambda log: log.errors(units=[-13]), IndexError),
    (lambda log: log.values(units=["0"]), TypeError),
    (lambda log: log.times(start="0"), TypeError),
    (lambda log: log.export("x.pdf", format="pdf"), ValueError),
    (lambda log: log.export("x.xlsx", delimiter=";"), ValueError),
    (lambda log: corvex.open(3), TypeError),
    (lambda log: corvex.open("a\0b.log"), ValueError),
])
def test_bad_arguments_raise(call, error):
    with corvex.open(LOGS["pc_twelve_channels_long"]) as log:
        with pytest.raises(error):
            call(log)


@pytest.mark.parametrize("call", [
    lambda log: log.read(), lambda log: log.times(), lambda log: log.values(), lambda log: log.errors(),
    lambda log: log.datetimes(), lambda log: log.to_pandas(), lambda log: log.export("never.csv"),
])
def test_a_closed_log_refuses_reads_and_keeps_its_header(call, tmp_path):
    with corvex.open(LOGS["pc_flow"]) as log:
        pass
    assert log.closed and len(log) == 299 and log.columns[0] == "Velocity (m/s)"
    os.chdir(tmp_path)
    with pytest.raises(ValueError, match="closed"):
        call(log)
    log.close()
    assert not (tmp_path / "never.csv").exists()


def test_latin1_names_open_as_bytes_str_and_path_like():
    raw = LOGS["caf\udce9 latin-1"]
    assert b"caf\xe9 latin-1.log" in raw
    expected = corvex.open(raw).values()
    for given in (raw, os.fsdecode(raw), pathlib.Path(os.fsdecode(raw))):
        with corvex.open(given) as log:
            assert log.path == os.fspath(given)
            np.testing.assert_array_equal(log.values(), expected)
