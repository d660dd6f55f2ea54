"""How `plot` and `analyze` run as commands: signals, and faults as one line.

Imports only the standard library, so that the handlers are in place before
anything slow is loaded.
"""

import importlib
import os
import signal
import sys


class Refusal(Exception):
    """Input that cannot be read or output that cannot be written; the message says why."""


class Interrupted(Exception):
    """SIGINT or SIGTERM: stop, leave no file behind, exit with this status."""

    def __init__(self, status):
        super().__init__(status)
        self.status = status


def _interrupt(signum, _frame):
    raise Interrupted(130 if signum == signal.SIGINT else 143)


def answered(prog, work):
    """The status of work(), or, when it refuses or is interrupted, one line on
    standard error saying so and the status for it: 1 for a refusal, 130 or 143
    for an interruption, after which no file is left behind."""
    try:
        return work()
    except Refusal as refusal:
        print(f"{prog}: {refusal}", file=sys.stderr)
        return 1
    except Interrupted as interruption:
        print(f"{prog}: interrupted; no file written", file=sys.stderr)
        return interruption.status


def silence_stdout():
    """Standard output that failed goes to /dev/null, so that the exit does not
    report the failure a second time while flushing it."""
    try:
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
    except (OSError, ValueError):
        pass


def run(module_name, prog):
    """Imports satphase.MODULE_NAME and exits with the status of its main().

    SIGINT and SIGTERM raise Interrupted wherever the program is, blocked
    reads included, so that it ends at once with 130 or 143 and removes what
    it half wrote; a fault of the program is still one line, not a traceback.
    """
    signal.signal(signal.SIGINT, _interrupt)
    signal.signal(signal.SIGTERM, _interrupt)
    try:
        status = importlib.import_module(f"satphase.{module_name}").main()
    except Interrupted as interruption:  # before or after the work itself
        status = interruption.status
    except BrokenPipeError:  # the reader went away (| head): nothing more to say
        silence_stdout()
        status = 1
    except Exception as error:
        print(f"{prog}: internal error: {type(error).__name__}: {error}", file=sys.stderr)
        status = 1
    sys.exit(status)
