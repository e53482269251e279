"""Polling instead of sleeping: a test waits for a condition, never for a fixed time."""

import time


class WaitTimeout(AssertionError):
    pass


def wait_until(predicate, timeout=30.0, interval=0.1, message=None):
    """Calls predicate until it returns something truthy and returns that; fails after timeout.

    An exception raised by predicate counts as "not yet" until the time is up, then it is raised.
    """
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = predicate()
            if value:
                return value
            last_error = None
        except Exception as error:  # noqa: BLE001 - retried until the deadline
            last_error = error
        if time.monotonic() >= deadline:
            if last_error is not None:
                raise last_error
            raise WaitTimeout(message or f"condition not met within {timeout} s")
        time.sleep(interval)
