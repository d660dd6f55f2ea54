#pragma once

#include <cadical.hpp>
#include <cstdint>

namespace satphase {

// Counts every clause CaDiCaL offers to export and takes none of their
// literals: declining in `learning` spares the per-literal calls. With
// chronological backtracking off (setCdclOptions) there is one such clause
// per analysed conflict, so the count is the conflicts. Connect it with
// CaDiCaL::Solver::connect_learner for as long as the solver searches.
class LearnedClauseCounter : public CaDiCaL::Learner {
  public:
    bool learning(int /*size*/) override {
        ++count;
        return false;
    }
    void learn(int /*lit*/) override {}

    std::uint64_t count = 0;
};

}  // namespace satphase
