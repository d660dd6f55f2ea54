"""A sweep as a pandas DataFrame, for a notebook: read, analysed and drawn as
`satphase analyze` and `satphase plot` do it, answers returned instead of
printed or written.

read_sweep gives the frame that pandas.read_csv gives of the sweep written
with --format csv, whichever format it was read from; analyze, plot and
plot_analysis write a frame back as that CSV and read it with the programs'
own reader, so that an edited frame meets the same checks as an edited file.
What the programs would refuse raises ValueError with the line they print;
of a frame, the line names it "frame" and its rows as the CSV's lines, the
first row line 2.

Imports only the standard library itself: pandas, numpy and matplotlib are
loaded by the functions that need them, so that `import satphase` stays as
quick as the programs' start.
"""

import contextlib
import io
import json
import math
import os
import sys
import types
import warnings
from decimal import Decimal

from satphase.program import Refusal

FRAME_NAME = "frame"  # what messages call a frame's records, as they call a file by its path


class Result(types.SimpleNamespace):
    """The JSON object of `satphase analyze --format json` as attributes, its
    nested objects as Results too and its lists as lists; as_dict() gives the
    object back as json.loads reads it."""

    def as_dict(self):
        return {key: _plain(value) for key, value in vars(self).items()}


def read_sweep(paths):
    """The DataFrame of one sweep file or of several (a path or a list of
    them), CSV or JSON Lines: the columns, in order, and the values that
    pandas.read_csv gives of the same records written as CSV. Shards of one
    sweep, whose cells are apart, come out in cell order as the whole sweep
    has them; several sweeps, one after the other. Files of other columns
    than the first's are refused: a frame has one set of columns."""
    from satphase import records
    import pandas
    paths = [paths] if isinstance(paths, (str, os.PathLike)) else list(paths)
    if not paths:
        raise ValueError("no sweep to read: name a sweep's CSV or JSON Lines file")
    with _refusals():
        files = []
        for path in paths:
            name, text = records.read_input(os.fspath(path), sys.stdin.buffer)
            files.append((records.read_file(text, name), text))
    first = files[0][0]
    for file, _ in files[1:]:
        if file.columns != first.columns:
            raise ValueError(f"{file.name} has other columns than {first.name}: read files of "
                             "one sweep, or of sweeps written alike, together")
    rows = [row for file, text in files for row in _csv_rows(file, text)]
    cells = [{record.cell for record in file.records} for file, _ in files]
    if len(files) > 1 and len(set().union(*cells)) == sum(len(c) for c in cells):
        rows.sort(key=lambda row: row[0])  # stable: a cell's records keep their order
    text = "\n".join([",".join(first.columns)] + [line for _, line in rows]) + "\n"
    return pandas.read_csv(io.StringIO(text))


def analyze(frame):
    """What `satphase analyze --format json` prints of the frame's records, as
    a Result."""
    from satphase import analysis
    with _refusals():
        answer = analysis.as_json(analysis.analyse(analysis.read_sweep(_as_files(frame))))
    # Through the text the program prints: plain floats, and what it rounds.
    return _attributes(json.loads(json.dumps(answer)))


def plot(frame, title=None, size=None):
    """The matplotlib Figure that `satphase plot` draws of the frame's records,
    or, when it draws two (a sweep with a local search), both in the order it
    writes them: the complete solvers' and the local searches'. `title` is
    its --title, `size` its --size in pixels as (width, height)."""
    from satphase import plotting, records
    with _refusals():
        sweeps = [records.read_file(text, name) for name, text in _as_files(frame)]
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # layout and log-axis notices are not errors
            drawn, _ = plotting.draw_sweeps(sweeps, title, size or plotting.DEFAULT_SIZE)
    return drawn[0][0] if len(drawn) == 1 else [figure for figure, _ in drawn]


def plot_analysis(frame):
    """The Figure `satphase analyze --output` draws of the frame's records:
    the data collapse and, of per-formula records, the cost's survival curves."""
    from satphase import analysis, analysis_figure as drawing
    with _refusals():
        result = analysis.analyse(analysis.read_sweep(_as_files(frame)))
        if result.scaling is None:
            raise Refusal("the figure draws the data collapse, which needs alpha_c and nu: "
                          + result.scaling_lacking)
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # layout notices are not errors
            return drawing.draw(result)


@contextlib.contextmanager
def _refusals():
    """A Refusal raised inside as the ValueError of its message."""
    try:
        yield
    except Refusal as refusal:
        raise ValueError(str(refusal)) from None


def _csv_rows(file, text):
    """(cell, CSV line) of each record of a read file, lines as the sweep
    writes them with --format csv: a CSV's own, a JSON record's values in the
    CSV's column order and notation."""
    lines = [line for line in text.split("\n") if line.strip()]
    if file.csv:
        lines = lines[1:]
    else:
        lines = [",".join(_field(json.loads(line)[column]) for column in file.columns)
                 for line in lines[1 if file.sweep is not None else 0:]]
    return zip((record.cell for record in file.records), lines)


def _as_files(frame):
    """[(name, CSV text)] of a frame's rows: one file, or where a cell's record
    comes again (several sweeps read together), a file for each run of rows
    in which none does."""
    columns = [str(column) for column in frame.columns]
    keys = [columns.index(key) for key in ("cell", "trial" if "trial" in columns else "solver")
            if key in columns]
    parts, lines, seen = [], [], set()
    for row in frame.itertuples(index=False, name=None):
        key = tuple(row[i] for i in keys)
        if keys and key in seen:
            parts.append(lines)
            lines, seen = [], set()
        seen.add(key)
        lines.append(",".join(_field(value) for value in row))
    parts.append(lines)
    header = ",".join(columns)
    return [(FRAME_NAME if len(parts) == 1 else f"{FRAME_NAME} part {i + 1}",
             "\n".join([header] + lines) + "\n") for i, lines in enumerate(parts)]


def _field(value):
    """A value as the sweep's CSV writes it: whole numbers as digits, truth
    (JSON's true and false) as 1 and 0, reals in C++'s shortest form, so that
    2.0 is 2 and pandas reads a column of whole ratios as integers; a missing
    value (NaN) empty, which the reader refuses."""
    import numpy
    import pandas
    if isinstance(value, str):
        return value
    if pandas.isna(value):
        return ""
    if isinstance(value, (bool, numpy.bool_)):
        return "1" if value else "0"
    if isinstance(value, (float, numpy.floating)):
        return _shortest(float(value))
    return str(value)


def _shortest(value):
    """std::to_chars(value): the fewest digits that read back as `value`
    (those of Python's repr), fixed or with an exponent, whichever is
    shorter, fixed on a tie; a whole number fixed is all its digits."""
    if math.isinf(value):
        return repr(value)
    digits = Decimal(repr(value)).normalize()
    sign, numerals, exponent = digits.as_tuple()
    mantissa = "".join(map(str, numerals))
    scientific = (("-" if sign else "") + mantissa[0] + ("." + mantissa[1:] if mantissa[1:] else "")
                  + f"e{exponent + len(mantissa) - 1:+03d}")
    fixed = format(Decimal(value) if value.is_integer() else digits, "f")
    return fixed if len(fixed) <= len(scientific) else scientific


def _attributes(value):
    if isinstance(value, dict):
        return Result(**{key: _attributes(item) for key, item in value.items()})
    return [_attributes(item) for item in value] if isinstance(value, list) else value


def _plain(value):
    if isinstance(value, Result):
        return value.as_dict()
    return [_plain(item) for item in value] if isinstance(value, list) else value
