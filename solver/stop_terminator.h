#pragma once

#include <atomic>
#include <cadical.hpp>

namespace satphase {

// Ends a CaDiCaL search once the caller's stop flag is raised (none: never).
// Connect it with CaDiCaL::Solver::connect_terminator for as long as the
// solver searches.
class StopFlagTerminator : public CaDiCaL::Terminator {
  public:
    explicit StopFlagTerminator(const std::atomic<bool>* stop) : stop_(stop) {}
    bool terminate() override { return stop_ != nullptr && stop_->load(std::memory_order_relaxed); }

  private:
    const std::atomic<bool>* stop_;
};

}  // namespace satphase
