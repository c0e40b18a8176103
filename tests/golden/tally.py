"""The closing line of every table runner: "N passed, N failed", which scripts/test also reads
from the file named by $TOLVEX_E2E_COUNTS_FILE. Returns the runner's exit status."""

import os


def finish(passed, failed):
    print(f"{passed} passed, {failed} failed")
    if os.environ.get("TOLVEX_E2E_COUNTS_FILE"):
        with open(os.environ["TOLVEX_E2E_COUNTS_FILE"], "a") as f:
            f.write(f"{passed} {failed}\n")
    return 1 if failed else 0
