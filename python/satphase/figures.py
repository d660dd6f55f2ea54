"""Writes a figure as PREFIX.png and PREFIX.svg, both or neither, with its maker.

The one figure writer of `plot` and `analyze`: the name checked before any work,
both files written to temporaries, what the command prints printed before they
take their names, and on any failure, an interruption included, no temporary
left and what was there before untouched.
"""

import os
import sys

from satphase.program import Refusal, silence_stdout

DPI = 100


def load_matplotlib():
    """matplotlib for drawing without a display, or a Refusal naming its package."""
    try:
        import matplotlib
        matplotlib.use("Agg")
        return matplotlib
    except ImportError:
        raise Refusal(f"{sys.executable} has no matplotlib; install the Debian package "
                      "python3-matplotlib") from None


def prefix_of(output):
    """The figures' PREFIX from --output, which may name either file:
    `figure.png` and `figure.svg` are the prefix `figure`."""
    for extension in (".png", ".svg"):
        if output.endswith(extension):
            return output[:-len(extension)]
    return output


def check_prefix(prefix):
    """Refuses a PREFIX that names a directory (`od/`, `.`, `/`): the figures
    would be hidden files inside it, `od/.png`."""
    if not os.path.basename(prefix) or os.path.isdir(prefix):
        what = f"{prefix} names a directory" if prefix else "the name before them is empty"
        raise Refusal(f"cannot write {prefix}.png and {prefix}.svg: {what}, not the start of a "
                      "file name")


def metadata(extension, with_matplotlib):
    """What the figure says of its making: the satphase that ran the program
    (SATPHASE_MADE_BY) in the PNG's Software text chunk or the SVG's Dublin Core
    creator, `plot`'s with the Matplotlib version after it. The SVG carries no
    date, so that the same input drawn by the same programs gives the same bytes."""
    metadata = {"Date": None} if extension == "svg" else {}
    made_by = os.environ.get("SATPHASE_MADE_BY")
    if made_by:
        if with_matplotlib:
            import matplotlib
            made_by = f"{made_by} with Matplotlib v{matplotlib.__version__}"
        metadata["Creator" if extension == "svg" else "Software"] = made_by
    return metadata


def print_text(text):
    """Prints text and flushes it; a failure is a Refusal that says no file was written."""
    try:
        sys.stdout.write(text)
        sys.stdout.flush()
    except OSError as error:
        silence_stdout()
        raise Refusal(f"cannot write to standard output: {error.strerror}; "
                      "no file written") from None


def write(figure, prefix, text, with_matplotlib):
    """Writes PREFIX.png and PREFIX.svg and prints `text`, all or nothing.

    Both files go to temporaries first; the text is printed and flushed, and
    only then do the files take their names.
    """
    write_all([(figure, prefix)], text, with_matplotlib)


def write_all(drawn, text, with_matplotlib):
    """write() of several figures, [(figure, prefix)], all or nothing: a
    sweep's figures stay those of one input."""
    import matplotlib
    for _, prefix in drawn:
        check_prefix(prefix)
        for extension in ("png", "svg"):
            # The one renaming that could fail after the other succeeded.
            if os.path.isdir(f"{prefix}.{extension}"):
                raise Refusal(f"cannot write {prefix}.{extension}: it is a directory")
    done, path = [], ""
    try:
        for (figure, prefix), extension in ((one, extension) for one in drawn
                                            for extension in ("png", "svg")):
            path = f"{prefix}.{extension}"
            temporary = f"{path}.{os.getpid()}.tmp"
            with open(temporary, "xb") as out:  # exclusive: never through a link
                done.append((temporary, path))
                # The salt and the missing date keep the SVG of the same input the same.
                with matplotlib.rc_context({"svg.hashsalt": "satphase"}):
                    figure.savefig(out, format=extension, dpi=DPI,
                                   metadata=metadata(extension, with_matplotlib))
        print_text(text)
        for temporary, path in done:
            os.replace(temporary, path)
        done = []
    except OSError as error:
        raise Refusal(f"cannot write {path}: {error.strerror}") from None
    finally:
        for temporary, _ in done:
            try:
                os.remove(temporary)
            except OSError:
                pass
