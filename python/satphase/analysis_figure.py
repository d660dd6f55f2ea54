"""The figures of an analysis: the data collapse, and the cost's survival curves.

One figure: the collapse on the left, each cell with its binomial (Wilson)
95 % interval and the title giving alpha_c's and nu's intervals; from per-formula input the survival
curves P(cost > x) of the cells nearest alpha_50 on the right, on log-log
axes, satisfiable formulas drawn solid and unsatisfiable ones dashed.
"""

import numpy as np

from satphase import cost_measures, figures, records


def _interval(low, high, digits):
    """low-high of a 95 % interval; an end the profile left open is named so."""
    return "-".join("open" if end is None else f"{end:.{digits}f}" for end in (low, high))


def draw(analysis):
    assert analysis.scaling is not None
    figures.load_matplotlib()
    from matplotlib.figure import Figure
    from matplotlib.lines import Line2D
    sweep, fit = analysis.sweep, analysis.scaling
    near = [size for size in analysis.sizes if size.near is not None]
    figure = Figure(figsize=(12 if near else 6.5, 5), dpi=figures.DPI, layout="constrained")
    formulas = (f"{sweep.k}-CNF formulas ({sweep.model} model)" if sweep.p is None
                else f"(2+p)-CNF formulas (mixed model, p = {sweep.p:g})")
    figure.suptitle(f"Random {formulas}: "
                    f"alpha_c = {fit.alpha_c:.3f} ({_interval(fit.alpha_c_low, fit.alpha_c_high, 3)}),"
                    f" nu = {fit.nu:.2f} ({_interval(fit.nu_low, fit.nu_high, 2)}), 95 % intervals")
    panels = figure.subplots(1, 2 if near else 1, squeeze=False)[0]

    collapse = panels[0]
    collapse.set_title("Data collapse (bars: 95 % Wilson intervals of each cell)")
    collapse.set_xlabel("y = (alpha - alpha_c) / alpha_c * n^(1/nu)")
    collapse.set_ylabel("fraction of formulas satisfiable")
    collapse.set_ylim(-0.03, 1.03)
    low, high = 0.0, 0.0
    for i, size in enumerate(analysis.sizes):
        if size.fit.alpha_50 is None:
            continue
        y = fit.y([c.alpha for c in size.cells], size.fit.vars)
        low, high = min(low, y.min()), max(high, y.max())
        fraction, below, above = np.array([records.sat_interval(c.trials - c.sat, c.trials)
                                            for c in size.cells]).T
        points = collapse.errorbar(y, fraction, yerr=[fraction - below, above - fraction],
                                   linestyle="none", marker="o", markersize=4, capsize=2,
                                   elinewidth=0.8, color=f"C{i % 10}",
                                   label=f"{size.fit.vars} variables")
        points.lines[0].set_gid(f"collapse-{size.fit.vars}")
    curve = np.linspace(low, high, 400)
    collapse.plot(curve, fit.sat_fraction(curve), color="black", linewidth=1.2,
                  label="fitted logistic", gid="collapse-fit")
    collapse.axhline(0.5, color="0.7", linestyle=":", linewidth=1)
    collapse.legend(fontsize="small")

    if near:
        tails = panels[1]
        tails.set_title("Cost near the threshold: P(cost > x)")
        tails.set_xscale("log")
        tails.set_yscale("log")
        for i, size in enumerate(analysis.sizes):
            if size.near is None:
                continue
            solver = size.near.solvers[next(iter(size.near.solvers))]
            tails.set_xlabel(f"{solver.name} cost ({solver.unit})")
            verdicts = np.asarray(size.near.satisfiable, bool)
            costs = np.asarray(solver.costs, float)
            for chosen, style, verdict in ((verdicts, "-", "sat"), (~verdicts, "--", "unsat")):
                x, beyond = cost_measures.survival(costs[chosen])
                tails.step(x[x > 0], beyond[x > 0], where="post", linestyle=style, color=f"C{i % 10}",
                           linewidth=1.2, gid=f"survival-{size.fit.vars}-{verdict}",
                           label=f"{size.fit.vars} variables, ratio {size.near.alpha:.4g}"
                           if verdict == "sat" else None)
        tails.set_ylabel("fraction of the cell's formulas costing more")
        handles = tails.get_legend_handles_labels()[0] + [
            Line2D([], [], color="0.4", linestyle="-", label="satisfiable"),
            Line2D([], [], color="0.4", linestyle="--", label="unsatisfiable")]
        tails.legend(fontsize="small", handles=handles)
    return figure
