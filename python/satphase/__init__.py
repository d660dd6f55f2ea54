"""satphase's Python side: the programs `satphase plot` and `satphase analyze` run.

records reads a sweep's output with the C++ reader's checks, figures writes
PNG and SVG figures all or none, program runs either as a command; plot and
analysis are the two commands, estimates what plot prints, threshold_fits,
cost_measures and analysis_figure what analysis computes and draws.
"""
