"""What the reader takes from a sweep's files, and every input it refuses."""

import unittest

from sweep_records import Refusal, read_sweep

CELLS = ("cell,vars,clauses,ratio,trials,unsat,median_steps\n"
         "0,10,40,4,5,2,30\n1,10,45,4.5,5,4,50\n")
FORMULAS = ("cell,vars,clauses,ratio,trial,start_state,satisfiable,steps\n"
            "0,10,40,4,0,7,1,3\n0,10,40,4,1,8,0,9\n0,10,40,4,2,9,1,5\n")
JSONL = ('{"sweep":{"vars":[10],"model":"uniform","k":4,"per_formula":false}}\n'
         '{"cell":0,"vars":10,"clauses":97,"ratio":9.75,"trials":3,"unsat":1,"median_steps":8}\n')


def read(*texts):
    return read_sweep([(f"f{i}", text) for i, text in enumerate(texts)])


class ReadTest(unittest.TestCase):
    def test_cells_formulas_and_the_formats_to_come(self):
        sweep = read(CELLS)
        self.assertEqual((sweep.model, sweep.k, sweep.per_formula), ("classic", 3, False))
        self.assertEqual([(c.ratio, c.trials, c.sat, c.solvers["splitting"].median)
                          for c in sweep.cells], [(4, 5, 3, 30), (4.5, 5, 1, 50)])

        cell, = read(FORMULAS).cells
        self.assertEqual((cell.trials, cell.sat, cell.satisfiable), (3, 2, [True, False, True]))
        self.assertEqual(cell.solvers["splitting"].costs, [3, 9, 5])

        cell, = (sweep := read(JSONL)).cells
        self.assertEqual((sweep.model, sweep.k, cell.alpha), ("uniform", 4, 9.7))  # 97 / 10

        sweep = read("vars,ratio,model,k,trials,unsat,solver,cost_unit,median_cost\n"
                     "20,4,planted,5,9,0,cdcl,conflicts,12\n20,4,planted,5,9,0,dpll,steps,40\n")
        self.assertEqual((sweep.model, sweep.k), ("planted", 5))
        self.assertEqual([(s.name, s.unit, s.median) for s in sweep.cells[0].solvers.values()],
                         [("cdcl", "conflicts", 12), ("dpll", "steps", 40)])
        cell, = read('{"vars":9,"ratio":4,"trial":0,"satisfiable":false,"cdcl_cost":2.5}\n').cells
        self.assertEqual((cell.sat, cell.solvers["cdcl"].costs), (0, [2.5]))

        # Shards of one sweep read as one.
        self.assertEqual(len(read(CELLS, CELLS.replace("0,10,40,4,", "2,12,48,4,")
                                  .replace("1,10,45,", "3,12,54,")).cells), 4)

    def test_refusals_name_the_file_and_line(self):
        for texts, message in [
            (("",), "f0 is empty"),
            (("Num of vars : 10\n",), "f0 is the sweep's table"),
            ((CELLS[:-1],), "f0 line 3: cut off"),
            (("a,b\n1,2\n",), "f0 is not the output of satphase sweep"),
            (("vars,ratio,trials\n1,2,3\n",), "f0: missing columns unsat, median_steps"),
            ((CELLS.split("\n")[0] + "\n",), "f0 has a header but no records"),
            ((CELLS + "2,10,50\n",), "f0 line 4: 3 fields where the header has 7"),
            ((CELLS.replace("4.5,5,4", "4.5,x,4"),), "f0 line 3: trials is 'x', not a whole number"),
            ((CELLS.replace("4.5,5,4", "4.5,5,6"),), "f0 line 3: 6 unsatisfiable of 5 trials"),
            ((CELLS.replace("1,10,45", "1,10,44"),), "f0 line 3: 44 clauses are not ratio 4.5"),
            ((CELLS.replace("0,10,40,4,", "0,-1,40,4,"),), "f0 line 2: vars and ratio must be"),
            ((FORMULAS.replace("8,0,9", "8,2,9"),), "f0 line 3: satisfiable is '2'"),
            ((FORMULAS.replace("8,0,9", "8,0,-9"),), "f0 line 3: steps is negative"),
            ((JSONL + "[1]\n",), "f0 line 3: not a JSON object"),
            ((JSONL.replace('"uniform"', '"odd"'),), "f0 line 1: model is 'odd', not one of"),
            ((JSONL.replace('"k":4', '"k":8'),), "f0 line 1: k is 8, not from 2 to 7"),
            ((JSONL + JSONL.split("\n")[1].replace('"vars":10', '"vars":10,"k":3') + "\n",),
             "f0 mixes models or k: uniform k=3, uniform k=4"),
            ((CELLS, JSONL), "f0 and f1 hold different models or k: classic k=3 and uniform k=4"),
            ((CELLS, FORMULAS), "f0 and f1 mix per-cell and per-formula records"),
            ((CELLS, CELLS), "f1 line 2: a second record for 10 variables at ratio 4 and solver "
                             "splitting \\(the first is f0 line 2\\)"),
            ((FORMULAS + "0,10,40,4,1,8,0,9\n",), "f0 line 5: a second record of trial 1"),
            (("vars,ratio,trials,unsat,solver,median_cost\n4,4,9,1,a,1\n4,4,9,2,b,1\n",),
             "f0 line 3: 2 unsatisfiable of 9 where f0 line 2 has 1 of 9"),
            (("vars,ratio,trials,unsat,solver,median_cost\n4,4,9,1,a,1\n4,5,9,1,b,1\n",),
             "f0 line 3: solvers b where f0 line 2 has a"),
        ]:
            with self.subTest(message), self.assertRaisesRegex(Refusal, "^" + message):
                read(*texts)


if __name__ == "__main__":
    unittest.main()
