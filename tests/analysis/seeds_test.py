"""Seeds s and 2147483647 - s, as satphase generate and sweep use them: the uniform model's
formulas are mirror images, the other models' are not, and neither pair is independent."""

import os
import subprocess
import unittest

PROGRAM = os.environ.get("SATPHASE_PROGRAM")
MODULUS = 2147483647


def formulas(model, n, clauses, seed, k=3, count=3):
    """The clauses of each of count formulas, as lists of DIMACS literals."""
    text = subprocess.run([PROGRAM, "generate", "--model", model, "--k", str(k), "--vars", str(n),
                           "--clauses", str(clauses), "--seed", str(seed), "--count", str(count)],
                          check=True, capture_output=True, text=True).stdout
    found = []
    for line in text.splitlines():
        if line.startswith("p cnf"):
            found.append([])
        elif found and line and not line.startswith("c"):
            found[-1].append([int(literal) for literal in line.split()[:-1]])
    return found


def mirrored(literal, n):
    """Variable v (from 1) renamed (2147483647 mod n - (v - 1)) mod n + 1, its sign flipped."""
    renamed = (MODULUS % n - (abs(literal) - 1)) % n + 1
    return -renamed if literal > 0 else renamed


@unittest.skipUnless(PROGRAM, "SATPHASE_PROGRAM names the satphase executable")
class MirrorSeedTest(unittest.TestCase):
    def test_mirror_seeds_give_mirror_formulas_in_the_uniform_model_only(self):
        # (model, k, vars, clauses, seed, clauses in common once mirrored, of the first formula)
        for model, k, n, clauses, seed, common in [
                ("uniform", 3, 50, 213, 64540, 213), ("uniform", 5, 17, 60, 1, 60),
                ("uniform", 2, 7, 20, 2147483646, 20), ("classic", 3, 50, 213, 64540, 63),
                ("planted", 3, 50, 213, 64540, 182), ("2-hidden", 3, 50, 213, 64540, 165)]:
            with self.subTest(model=model, k=k, n=n, seed=seed):
                mine = formulas(model, n, clauses, seed, k)
                theirs = formulas(model, n, clauses, MODULUS - seed, k)
                images = [[[mirrored(literal, n) for literal in clause] for clause in formula]
                          for formula in mine]
                self.assertEqual(images == theirs, common == clauses)  # clause by clause
                first = [sorted(clause) for clause in theirs[0]]
                self.assertEqual(sum(sorted(clause) in first for clause in images[0]), common)

    def test_a_uniform_sweep_from_the_mirror_seed_has_every_verdict_the_same(self):
        runs = []
        for seed in (64540, MODULUS - 64540):
            rows = subprocess.run([PROGRAM, "sweep", "--model", "uniform", "--vars", "20",
                                   "--ratios", "4:4.5:0.5", "--trials", "5", "--per-formula",
                                   "--format", "csv", "--quiet", "--seed", str(seed)],
                                  check=True, capture_output=True, text=True).stdout.splitlines()
            runs.append([row.split(",") for row in rows[1:]])
        verdicts = [[(row[0], row[6], row[8]) for row in run] for run in runs]
        self.assertEqual(verdicts[0], verdicts[1])
        self.assertEqual([r[8] for r in runs[0]], list("1000101010"))
        self.assertEqual({int(a[7]) + int(b[7]) for a, b in zip(*runs)}, {MODULUS})


if __name__ == "__main__":
    unittest.main()
