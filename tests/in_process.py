"""A program's main() run in this interpreter as a user runs the program."""

import contextlib
import io
import os
import subprocess
import unittest.mock


def run_main(main, directory, arguments, stdin=b"", stdout=None):
    """main(arguments) in `directory` reading `stdin`: status and output as from
    subprocess.run (no standard output when `stdout` takes it)."""
    out, err, here = stdout or io.StringIO(), io.StringIO(), os.getcwd()
    os.chdir(directory)
    try:
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err), \
                unittest.mock.patch("sys.stdin", io.TextIOWrapper(io.BytesIO(stdin))):
            try:
                status = main(list(arguments))
            except SystemExit as exit:
                status = exit.code
    finally:
        os.chdir(here)
    return subprocess.CompletedProcess(arguments, status, "" if stdout else out.getvalue(),
                                       err.getvalue())
