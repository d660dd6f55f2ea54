"""Maximum-likelihood fits of where the satisfiable fraction falls through one half.

Every fit here treats a cell's satisfiable count as binomial, with the
probability a logistic function of a linear or scaled ratio: sat = 1 / (1 + e^z).
Fitting the counts, not the fractions, weighs each cell by what it knows, and
lets the 95 % intervals come from the profile likelihood: the set of values a
parameter can take whose best fit, the other parameters free, is within
chi-square(1) 3.84 of the overall best.

When the cells scatter about the fitted curve more than binomial counts would
(deviance D above its degrees of freedom df), the 3.84 is scaled by D / df, as
a quasi-binomial fit does: a shape that does not quite fit widens the
intervals instead of hiding behind them.
"""

import math
from dataclasses import dataclass

import numpy as np
from scipy import optimize, special, stats

CHI2_95 = float(stats.chi2.ppf(0.95, 1))
Z_95 = math.sqrt(CHI2_95)  # 1.96
LOG9 = math.log(9.0)  # logit(0.9): the 90 % and 10 % points lie log 9 / slope either side
# logit(0.8): a size's window holds the cells whose fitted fraction is from 20 % to 80 %.
WINDOW_LOGIT = math.log(4.0)
MIN_SCALING_SIZES = 3
MIN_WINDOW_CELLS = 5  # fewer leave too few degrees of freedom to judge the fit by
MAX_WINDOW_STEPS = 20  # refits of one size before the window is taken as it stands
POOR_FIT_P = 0.01  # below this chance of its deviance a window's fit is called poor
NU_RANGE = (0.1, 20.0)


# ---------------------------------------------------------------- the likelihood

def _negative_log_likelihood(z, sat, trials):
    """-log L of sat successes in trials with P(sat) = 1 / (1 + e^z), and its gradient in z."""
    value = sat @ np.logaddexp(0.0, z) + (trials - sat) @ np.logaddexp(0.0, -z)
    return value, sat - trials * special.expit(-z)


class _Model:
    """A map from parameters to each cell's z, with its Jacobian; subclasses say which."""

    def __init__(self, ratios, vars_, sat, trials, bounds):
        self.bounds = bounds  # (low, high) per parameter: keeps the search where z is finite
        self.ratios = np.asarray(ratios, float)
        self.log_vars = np.log(np.asarray(vars_, float))
        self.sat = np.asarray(sat, float)
        self.trials = np.asarray(trials, float)

    def objective(self, theta):
        z, jacobian = self.z(theta)
        value, gradient = _negative_log_likelihood(z, self.sat, self.trials)
        return value, jacobian.T @ gradient

    def information(self, theta):
        """Fisher information: the curvature of -log L that sets a Wald step size."""
        z, jacobian = self.z(theta)
        p = special.expit(-z)
        return jacobian.T @ (jacobian * (self.trials * p * (1 - p))[:, None])

    def dispersion(self, theta):
        """(deviance, degrees of freedom, the factor D / df that widens the intervals, at least 1)."""
        z, jacobian = self.z(theta)
        expected = self.trials * special.expit(-z)
        failed = self.trials - self.sat
        deviance = 2 * float(np.sum(special.xlogy(self.sat, self.sat / expected)
                                    + special.xlogy(failed, failed / (self.trials - expected))))
        degrees = len(z) - jacobian.shape[1]
        return deviance, degrees, max(1.0, deviance / degrees) if degrees > 0 else 1.0

    def fit(self, start, fixed=None):
        """(theta, -log L) at the best fit; fixed = (index, value) holds one parameter."""
        start = np.asarray(start, float)
        if fixed is None:
            result = self._minimise(self.objective, start, self.bounds)
            return result.x, float(result.fun)
        index, value = fixed
        free = np.arange(len(start)) != index

        def objective(rest):
            theta = start.copy()
            theta[free], theta[index] = rest, value
            f, g = self.objective(theta)
            return f, g[free]

        result = self._minimise(objective, start[free],
                                [b for i, b in enumerate(self.bounds) if i != index])
        theta = start.copy()
        theta[free], theta[index] = result.x, value
        return theta, float(result.fun)

    @staticmethod
    def _minimise(objective, start, bounds):
        start = np.clip(start, *np.array(bounds).T)
        return optimize.minimize(objective, start, jac=True, method="L-BFGS-B", bounds=bounds,
                                 options={"ftol": 1e-13, "gtol": 1e-8, "maxiter": 2000})

    def at_bound(self, theta, index):
        low, high = self.bounds[index]
        return min(theta[index] - low, high - theta[index]) < 1e-6 * (high - low)

    def profile_interval(self, theta, best, index, dispersion=1.0):
        """The 95 % profile-likelihood interval of parameter index, searched within its bounds.

        A side that the profile does not close within its bound is None.
        """
        lower, upper = self.bounds[index]
        covariance = np.linalg.pinv(self.information(theta))
        step = 2 * math.sqrt(max(covariance[index, index], 1e-12))
        warm = {"theta": theta}

        def excess(value):
            fitted, value_at = self.fit(warm["theta"], fixed=(index, value))
            warm["theta"] = fitted
            return 2 * (value_at - best) - CHI2_95 * dispersion

        ends = []
        for direction, bound in ((-1, lower), (1, upper)):
            warm["theta"], inside, distance = theta, theta[index], step
            end = None
            for _ in range(40):
                outside = theta[index] + direction * distance
                if direction * (outside - bound) > 0:
                    outside = bound
                if excess(outside) > 0:
                    try:
                        end = optimize.brentq(excess, *sorted((inside, outside)), xtol=1e-6)
                    except ValueError:  # the profile is too rough to bracket: leave it open
                        pass
                    break
                if outside == bound:
                    break
                inside, distance = outside, distance * 2
            ends.append(end)
        return ends


class _SizeModel(_Model):
    """One size: z = s (ratio - a), theta = (a, log s); a is where the fraction is one half."""

    def z(self, theta):
        a, slope = theta[0], np.exp(theta[1])
        z = slope * (self.ratios - a)
        return z, np.column_stack([np.full_like(z, -slope), z])


class _ScalingModel(_Model):
    """Every size on one curve: z = b (y - y0), y = (ratio - ac) / ac * n^(1/nu).

    theta = (ac, log nu, log b, y0). At ratio ac, y = 0 for every n: the curves
    cross there, at the common height 1 / (1 + e^(-b y0)).
    """

    def z(self, theta):
        ac, nu, b, y0 = theta[0], np.exp(theta[1]), np.exp(theta[2]), theta[3]
        growth = np.exp(self.log_vars / nu)
        y = (self.ratios / ac - 1) * growth
        z = b * (y - y0)
        return z, np.column_stack([-b * self.ratios / ac ** 2 * growth,
                                   -b * y * self.log_vars / nu, z, np.full_like(z, -b)])


def _start_line(ratios, sat, trials):
    """(intercept, slope) of the empirical logits against the ratio, weighted least squares."""
    logits = np.log((sat + 0.5) / (trials - sat + 0.5))
    weights = (sat + 0.5) * (trials - sat + 0.5) / (trials + 1)
    design = np.column_stack([np.ones_like(ratios), ratios]) * np.sqrt(weights)[:, None]
    coefficients = np.linalg.lstsq(design, logits * np.sqrt(weights), rcond=None)[0]
    return coefficients


# ---------------------------------------------------------------- per size

@dataclass
class SizeFit:
    vars: int
    alpha_50: float = None
    alpha_50_low: float = None
    alpha_50_high: float = None
    width: float = None  # ratio span from 90 % to 10 % satisfiable
    slope: float = None
    dispersion: float = None  # D / df, at least 1: how much wider the interval was made
    lacking: str = None  # why alpha_50 was not estimated
    window: tuple = None  # (lowest ratio, highest ratio, cells) of the cells fitted
    deviance: float = None
    degrees: int = None

    @property
    def p_value(self):
        """Chance of a deviance this large inside the window if the logistic held there."""
        return float(stats.chi2.sf(self.deviance, self.degrees)) if self.degrees else None

    @property
    def poor(self):
        return self.p_value is not None and self.p_value < POOR_FIT_P


def fit_size(vars_, ratios, sat, trials):
    """alpha_50(n) and its interval from the cells of one size around one half.

    The logistic is first fitted to every cell, then again to the cells whose
    fitted fraction lies from 20 % to 80 % (at least the MIN_WINDOW_CELLS
    nearest alpha_50), until that window stops changing: far from one half the
    logistic's tails need not hold, and cells there would pull alpha_50 towards
    whichever edge the grid happened to reach further.
    """
    ratios, sat, trials = (np.asarray(x, float) for x in (ratios, sat, trials))
    fit = _fit_cells(vars_, ratios, sat, trials)
    chosen, seen = np.ones(len(ratios), bool), []
    while fit.alpha_50 is not None and len(seen) < MAX_WINDOW_STEPS:
        seen.append(chosen)
        distance = np.abs(ratios - fit.alpha_50) * fit.slope
        nearest = np.argsort(distance, kind="stable")[:MIN_WINDOW_CELLS]
        window = distance <= WINDOW_LOGIT
        window[nearest] = True
        refit = _fit_cells(vars_, ratios[window], sat[window], trials[window])
        if refit.alpha_50 is None:  # too few cells inside to fit: keep the wider window
            break
        chosen, fit = window, refit
        if any((chosen == earlier).all() for earlier in seen):
            break
    fit.window = (float(ratios[chosen].min()), float(ratios[chosen].max()),
                  int(np.count_nonzero(chosen))) if fit.alpha_50 is not None else None
    return fit


def _fit_cells(vars_, ratios, sat, trials):
    """The logistic fit of the given cells, all of them."""
    fractions = sat / trials
    if len(ratios) < 2:
        return SizeFit(vars_, lacking="one ratio only")
    if not fractions.max() >= 0.5 >= fractions.min() or fractions.max() == fractions.min():
        return SizeFit(vars_, lacking=f"the grid does not straddle one half (satisfiable "
                                      f"fraction {fractions.min():.3g} to {fractions.max():.3g})")
    if np.count_nonzero((sat > 0) & (sat < trials)) < 2:
        return SizeFit(vars_, lacking="the transition falls between grid points (fewer than "
                                      "two cells hold both satisfiable and unsatisfiable formulas)")
    intercept, slope = _start_line(ratios, sat, trials)
    if slope >= 0:
        return SizeFit(vars_, lacking="the satisfiable fraction does not fall as the ratio grows")
    span = np.ptp(ratios)
    model = _SizeModel(ratios, np.ones_like(ratios), sat, trials,
                       [(ratios.min() - span, ratios.max() + span),
                        (math.log(1e-3 / span), math.log(1e4 / span))])
    theta, best = model.fit([intercept / -slope, math.log(-slope)])
    deviance, degrees, dispersion = model.dispersion(theta)
    low, high = model.profile_interval(theta, best, 0, dispersion)
    slope = math.exp(theta[1])
    return SizeFit(vars_, float(theta[0]), low, high, 2 * LOG9 / slope, slope, dispersion,
                   deviance=deviance, degrees=degrees)


# ---------------------------------------------------------------- all sizes

@dataclass
class ScalingFit:
    alpha_c: float
    alpha_c_low: float
    alpha_c_high: float
    nu: float
    nu_low: float
    nu_high: float
    b: float
    y0: float
    deviance: float
    degrees: int
    dispersion: float

    def y(self, ratio, vars_):
        return (np.asarray(ratio, float) / self.alpha_c - 1) * np.asarray(vars_, float) ** (1 / self.nu)

    def sat_fraction(self, y):
        return special.expit(-self.b * (np.asarray(y, float) - self.y0))

    @property
    def p_value(self):
        """Chance of a deviance this large if the shape were right (small: it is not)."""
        return float(stats.chi2.sf(self.deviance, self.degrees)) if self.degrees > 0 else None


def fit_scaling(size_fits, cells):
    """alpha_c and nu by maximum likelihood on the cells of every size that crossed one half.

    size_fits: SizeFit per size; cells: (vars, ratio, sat, trials). Returns the
    ScalingFit, or a line saying why there is none.
    """
    usable = {fit.vars: fit for fit in size_fits if fit.alpha_50 is not None}
    if len(usable) < MIN_SCALING_SIZES:
        return (f"nu needs three sizes that cross one half, the input has {len(usable)}")
    vars_, ratios, sat, trials = (np.array(column, float) for column in
                                  zip(*[c for c in cells if c[0] in usable]))

    # Start from the per-size fits: slope ~ n^(1/nu), alpha_50 ~ ac (1 + y0 n^(-1/nu)).
    sizes = np.array(sorted(usable), float)
    log_slopes = np.log([usable[n].slope for n in sorted(usable)])
    inverse_nu, log_b_over_ac = np.polyfit(np.log(sizes), log_slopes, 1)
    nu = 1 / inverse_nu if 0.05 < inverse_nu < 5 else 1.5
    ac_times_y0, ac = np.polyfit(sizes ** (-1 / nu), [usable[n].alpha_50 for n in sorted(usable)], 1)
    if not ac > 0:
        ac = usable[max(usable)].alpha_50
    start = [ac, math.log(nu), log_b_over_ac + math.log(ac), ac_times_y0 / ac]

    model = _ScalingModel(ratios, vars_, sat, trials, [
        (ratios.min() / 2, ratios.max() * 2), (math.log(NU_RANGE[0]), math.log(NU_RANGE[1])),
        (-12.0, 12.0), (-1e3, 1e3)])
    theta, best = model.fit(start)
    theta, best = model.fit(theta)  # a second descent from the first settles a flat valley
    if any(model.at_bound(theta, i) for i in range(4)):
        return (f"the sizes do not fall on one curve: the fit runs to the edge of its range "
                f"(nu from {NU_RANGE[0]:g} to {NU_RANGE[1]:g})")
    deviance, degrees, dispersion = model.dispersion(theta)
    ac_low, ac_high = model.profile_interval(theta, best, 0, dispersion)
    nu_low, nu_high = model.profile_interval(theta, best, 1, dispersion)
    exp = lambda value: None if value is None else math.exp(value)  # noqa: E731
    return ScalingFit(float(theta[0]), ac_low, ac_high, math.exp(theta[1]), exp(nu_low),
                      exp(nu_high), math.exp(theta[2]), float(theta[3]), deviance, degrees,
                      dispersion)


# ---------------------------------------------------------------- the limit

@dataclass
class LimitFit:
    alpha_inf: float
    alpha_inf_low: float
    alpha_inf_high: float
    a: float
    nu: float  # the exponent used: the joint fit's
    sizes: int
    chi2: float  # of the alpha_50(n) about the fitted line, on sizes - 2 degrees of freedom


def fit_limit(size_fits, scaling):
    """alpha_inf of alpha_50(n) = alpha_inf + a n^(-1/nu), nu the joint fit's, or why there is none.

    Each alpha_50(n) is weighted by its interval, read as a normal one: a
    standard error of its width over 2 x 1.96. With nu fixed the
    fit is a weighted straight line in x = n^(-1/nu), alpha_inf its intercept.
    The 95 % interval spans the intervals found with nu at its fitted value and
    at both ends of its own interval, each widened by chi2 / df above 1.
    """
    usable = [fit for fit in size_fits
              if None not in (fit.alpha_50, fit.alpha_50_low, fit.alpha_50_high)]
    if len(usable) < MIN_SCALING_SIZES:
        return (f"alpha_inf needs three sizes with a closed interval of alpha_50, "
                f"the input has {len(usable)}")
    if isinstance(scaling, str):
        return "alpha_inf needs nu from the joint fit: " + scaling
    vars_ = np.array([fit.vars for fit in usable], float)
    centres = np.array([fit.alpha_50 for fit in usable])
    errors = np.array([(fit.alpha_50_high - fit.alpha_50_low) / (2 * Z_95) for fit in usable])
    found = []
    for nu in [scaling.nu] + [end for end in (scaling.nu_low, scaling.nu_high) if end]:
        design = np.column_stack([np.ones_like(vars_), vars_ ** (-1 / nu)]) / errors[:, None]
        (alpha_inf, a), residual = np.linalg.lstsq(design, centres / errors, rcond=None)[:2]
        chi2 = float(residual[0]) if len(residual) else 0.0
        degrees = len(usable) - 2
        widen = max(1.0, chi2 / degrees) if degrees > 0 else 1.0
        half = Z_95 * math.sqrt(np.linalg.inv(design.T @ design)[0, 0] * widen)
        found.append((float(alpha_inf), float(a), chi2, alpha_inf - half, alpha_inf + half))
    alpha_inf, a, chi2 = found[0][:3]
    return LimitFit(alpha_inf, float(min(f[3] for f in found)), float(max(f[4] for f in found)),
                    a, scaling.nu, len(usable), chi2)
