"""Logs used from several threads."""

import concurrent.futures

import numpy as np
import pytest

import corvex
from conftest import LOGS, READABLE


def read(name):
    with corvex.open(LOGS[name]) as log:
        return log.read()


@pytest.mark.filterwarnings("ignore::corvex.UnreadableRecordWarning")
def test_logs_read_in_several_threads_give_what_one_thread_reads():
    alone = {name: read(name) for name in READABLE}
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        side_by_side = list(pool.map(lambda name: (name, read(name)), READABLE * 3))
    for name, arrays in side_by_side:
        for got, expected in zip(arrays, alone[name]):
            np.testing.assert_array_equal(got, expected)


def test_one_log_shared_by_threads_takes_their_calls_in_turn():
    with corvex.open(LOGS["pc_twelve_channels_long"]) as log:
        times, values, errors = log.read()
        ranges = [(k * 1000, k * 1000 + 4500, [k % 12, (k * 5) % 12]) for k in range(20)]
        with concurrent.futures.ThreadPoolExecutor(4) as pool:
            parts = list(pool.map(lambda r: (log.times(r[0], r[1]), log.values(r[2], r[0], r[1]),
                                             log.to_pandas(r[2], r[0], r[1], errors=True)), ranges))
        for (start, stop, units), (t, v, frame) in zip(ranges, parts):
            np.testing.assert_array_equal(t, times[start:stop])
            np.testing.assert_array_equal(v, values[start:stop][:, units])
            np.testing.assert_array_equal(frame.iloc[:, 1::2].to_numpy(), errors[start:stop][:, units])


def test_closing_while_another_thread_reads_ends_cleanly():
    log = corvex.open(LOGS["pc_twelve_channels_long"])
    expected = log.values()

    def reader():
        try:
            return [log.values() for _ in range(20)]
        except ValueError as closed:
            assert "closed" in str(closed)
            return []

    with concurrent.futures.ThreadPoolExecutor(3) as pool:
        readers = [pool.submit(reader) for _ in range(2)]
        pool.submit(log.close).result()
        for done in readers:
            for values in done.result():
                np.testing.assert_array_equal(values, expected)
    assert log.closed
