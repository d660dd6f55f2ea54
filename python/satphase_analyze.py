#!/usr/bin/python3
"""`satphase analyze`: where exactly the threshold is (satphase/analysis.py).

Run by satphase, which passes its arguments through. The package satphase
lies beside this file, installed and in the source tree alike.
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ beside an installed copy
sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))

from satphase import program  # noqa: E402

program.run("analysis", os.environ.get("SATPHASE_ANALYZE_PROG", "satphase analyze"))
