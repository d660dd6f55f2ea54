#!/usr/bin/python3
"""`satphase plot`: the phase-transition figures of a sweep (satphase/plotting.py).

Run by satphase, which passes its arguments through.
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ beside an installed copy
HERE = os.path.dirname(os.path.realpath(__file__))
# The package lies beside this file in the source and build trees; the
# install rewrites the line below to say where it put the package.
PACKAGE_DIR = HERE
sys.path.insert(0, PACKAGE_DIR)

from satphase import program  # noqa: E402

program.run("plotting", os.environ.get("SATPHASE_PLOT_PROG", "satphase plot"))
