"""One more try for the runners under Wine.

A fresh Wine prefix sometimes fails to start a process on its first runs: the program, or a child
it starts through cmd.exe, never runs. What the runner then finds is a missing or empty record or
output file, a JSON document that does not parse, or a wrong result. Each runner counts any of
these as a failed try and tries once more; a real fault fails both times. Whatever a try raises
becomes a problem with its place in the runner: a runner never stops with a traceback.

The runners import this with tests/support on their path:

    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
    from wine_retry import twice
"""

import os
import traceback


def describe(error):
    """An exception as one line: its type, its message, and the runner line that raised it."""
    frames = traceback.extract_tb(error.__traceback__)
    where = f" (at {os.path.basename(frames[-1].filename)}:{frames[-1].lineno})" if frames else ""
    return f"{type(error).__name__}: {error}{where}"


def twice(attempt, again=True, failed=lambda message: [message]):
    """Runs attempt(number), number 1 and, when that try failed and `again` holds, 2.

    attempt returns its problems: empty or None when the try passed (None also stands for a case
    that does not apply). An exception is a failed try whose problems are failed(its description).
    Returns the problems of the last try."""
    for number in (1, 2):
        try:
            problems = attempt(number)
        except Exception as error:  # a missing file, an unreadable report: this try failed
            problems = failed(describe(error))
        if not problems or not again:
            return problems
    return problems
