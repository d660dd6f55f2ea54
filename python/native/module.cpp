// satphase._native: the commands sweep, generate and solve for the Python
// package, which turns its keyword arguments into the commands' options and
// their results into pandas and numpy values (python/satphase/commands.py).
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "platform/build_info.h"
#include "python/native/formula_binding.h"
#include "python/native/sweep_binding.h"

PYBIND11_MODULE(_native, module) {
    namespace py = pybind11;
    module.doc() = "satphase's commands, run in this process (see the package satphase)";
    module.attr("version") = std::string(satphase::programVersion());
    module.attr("commit") = std::string(satphase::programCommit());
    module.def("sweep", &satphase::runSweepFromPython, py::arg("arguments"),
               py::arg("progress") = py::none());
    module.def("generate", &satphase::generateFromPython, py::arg("arguments"));
    module.def("solve", &satphase::solveFromPython, py::arg("arguments"),
               py::arg("clauses") = py::none(), py::arg("vars") = py::none());
}
