"""satphase from Python: the commands as functions, sweeps as pandas DataFrames.

    import satphase
    frame = satphase.sweep(vars=[20, 40], ratios="3:6:0.25", trials=101)
    analysis = satphase.analyze(frame)      # the keys of `satphase analyze --format json`
    figure = satphase.plot(frame)           # matplotlib figures, as `satphase plot` draws

commands runs sweep, generate and solve in this process (native module);
frames reads sweeps into DataFrames and analyses and draws them. The same
package is what `satphase plot` and `satphase analyze` run: records reads a
sweep's output with the C++ reader's checks, figures writes PNG and SVG
figures all or none, program runs either as a command; plotting and analysis
are the two commands, estimates what plotting prints, threshold_fits,
cost_measures and analysis_figure what analysis computes and draws.

The functions are loaded when first used, so that the commands start
without pandas or the native module.
"""

import importlib

_EXPORTS = {"sweep": "commands", "generate": "commands", "solve": "commands",
            "Formula": "commands", "Solution": "commands", "read_sweep": "frames",
            "analyze": "frames", "plot": "frames", "plot_analysis": "frames"}
__all__ = sorted(_EXPORTS)


def __getattr__(name):
    if name not in _EXPORTS:
        raise AttributeError(f"module 'satphase' has no attribute '{name}'")
    value = getattr(importlib.import_module(f"satphase.{_EXPORTS[name]}"), name)
    globals()[name] = value
    return value


def __dir__():
    return sorted(set(globals()) | set(_EXPORTS))
