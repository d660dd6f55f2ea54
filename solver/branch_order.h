#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formula/formula.h"

namespace satphase {

// The order in which the splitting search branches on the unassigned
// variables, with the trail of its changes: the search takes the front
// variable to branch on, moves a variable that a clause forces to the front,
// and on the way back undoes both in reverse. This is the classic search's
// VariableOrder, made so that each of those costs the same at any size.
//
// The order is a circular doubly linked list of the unassigned variables
// with a head sentinel, the variable numVars, which no formula holds. The
// operations the search calls at every step are defined here, in the header,
// so that they are compiled into its loop.
class BranchOrder {
  public:
    // Sized for up to maxVars variables and for up to maxMoves variables
    // moved to the front along one path of the search.
    BranchOrder(std::int32_t maxVars, std::int32_t maxMoves);

    // Every variable 0 .. numVars - 1 in ascending order, and no changes to undo.
    void reset(std::int32_t numVars);

    // Whether every variable has been taken.
    bool empty() const { return next_[head_] == head_; }

    // How many changes are on the trail: what restore() takes back to.
    std::size_t mark() const { return trail_.size(); }

    // The front variable, taken out of the order so that it can be branched
    // on; the order must not be empty.
    Variable popFront() {
        assert(!empty() && "no variable left to take");
        const Variable front = next_[head_];
        unlink(front);
        trail_.push_back(Change{front, head_});
        return front;
    }

    // Puts a variable still in the order first, where the search takes it
    // next: a clause cut down to one literal promotes its variable. Nothing
    // is recorded when it stands first already.
    void moveToFront(Variable variable) {
        assert(variable.id >= 0 && variable.id < head_.id && "a variable beyond the order");
        const Variable before = previous_[variable];
        if (before == head_) {
            return;
        }
        unlink(variable);
        insertAfter(head_, variable);
        trail_.push_back(Change{variable, before});
    }

    // Undoes the changes made since the trail held `mark` of them, latest
    // first, so that the order is again what it was then.
    void restore(std::size_t mark) {
        assert(mark <= trail_.size() && "a mark beyond the trail");
        while (trail_.size() > mark) {
            const Change change = trail_.back();
            trail_.pop_back();
            if (change.before != head_) {
                unlink(change.variable);  // moved to the front: it stands first now
            }
            insertAfter(change.before, change.variable);
        }
    }

  private:
    // One change: `variable` stood behind `before`. A variable taken from
    // the front stood behind the head; one moved to the front never did, as
    // moving the first variable records nothing.
    struct Change {
        Variable variable;
        Variable before;
    };

    // Takes a variable out of the list; its own links are left as they were.
    void unlink(Variable variable) {
        next_[previous_[variable]] = next_[variable];
        previous_[next_[variable]] = previous_[variable];
    }

    // Puts a variable that is not in the list back in, right behind `anchor`.
    void insertAfter(Variable anchor, Variable variable) {
        next_[variable] = next_[anchor];
        previous_[variable] = anchor;
        previous_[next_[anchor]] = variable;
        next_[anchor] = variable;
    }

    std::int32_t maxVars_;
    Variable head_;
    // Per variable and the head: the next and the previous in the order.
    VariableMap<Variable> next_;
    VariableMap<Variable> previous_;
    std::vector<Change> trail_;
};

}  // namespace satphase
