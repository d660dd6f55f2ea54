#include "python/native/sweep_binding.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "cli/sweep_command.h"
#include "python/native/command_options.h"
#include "sweep/sweep.h"

namespace satphase {

namespace py = pybind11;

namespace {

// How often the calling thread takes the GIL to look for signals and to
// report progress: often enough that Ctrl-C stops a sweep well within a
// second, rarely enough to cost nothing beside the sweep.
constexpr std::chrono::milliseconds kPollInterval{100};

// The formulas this run decides, and how many are done, for the thread that
// polls. The sweep's own counter lives only from deciding() to decided(), so
// it is read under the lock that decided() takes before it goes.
class CountingObserver : public SweepObserver {
  public:
    explicit CountingObserver(std::int32_t trials) : trials_(trials) {}

    void deciding(const CellSelection& selection, std::int32_t keptCells,
                  const SweepProgress& progress) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto cells = static_cast<std::uint64_t>(selection.selected.size()) -
                           static_cast<std::uint64_t>(keptCells);
        total_ = cells * static_cast<std::uint64_t>(trials_);
        progress_ = &progress;
    }

    void decided() override {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (progress_ != nullptr) {
            done_ = progress_->formulasDone.load();
        }
        progress_ = nullptr;
    }

    // (done, total); (0, 0) before the cells are chosen.
    std::pair<std::uint64_t, std::uint64_t> counts() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        const std::uint64_t done = progress_ != nullptr ? progress_->formulasDone.load() : done_;
        return {done, total_};
    }

  private:
    std::int32_t trials_;
    mutable std::mutex mutex_;
    const SweepProgress* progress_ = nullptr;
    std::uint64_t done_ = 0;
    std::uint64_t total_ = 0;
};

// The sweep on a thread of its own, so that the caller can wait for it
// without the GIL and still answer Ctrl-C.
class SweepThread {
  public:
    SweepThread(const SweepRequest& request, CountingObserver& observer) {
        thread_ = std::thread([this, &request, &observer] {
            try {
                report_ = runSweep(request, observer, stop_);
            } catch (...) {
                error_ = std::current_exception();
            }
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
            ended_.notify_all();
        });
    }
    SweepThread(const SweepThread&) = delete;
    SweepThread& operator=(const SweepThread&) = delete;
    // Never left running: an exception on the way out stops and joins it.
    ~SweepThread() {
        if (thread_.joinable()) {
            stop();
            thread_.join();
        }
    }

    // Waits up to `interval` for the end; whether it came.
    bool waitFor(std::chrono::milliseconds interval) {
        std::unique_lock<std::mutex> lock(mutex_);
        return ended_.wait_for(lock, interval, [this] { return finished_; });
    }
    void stop() { stop_.store(true); }

    // Waits for the end and gives the report, or throws what the sweep threw.
    SweepReport join() {
        thread_.join();
        if (error_) {
            std::rethrow_exception(error_);
        }
        return report_;
    }

  private:
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable ended_;
    bool finished_ = false;
    SweepReport report_;
    std::exception_ptr error_;
    std::thread thread_;
};

}  // namespace

void runSweepFromPython(const std::vector<std::string>& arguments, const py::object& progress) {
    const auto options = commandOptions<SweepOptions>(arguments);
    SweepRequest request;
    if (std::optional<std::string> problem = readSweepRequest(options, request)) {
        throw py::value_error(*problem);
    }

    CountingObserver observer(request.definition.trials);
    std::optional<py::error_already_set> raised;
    SweepReport report;
    {
        SweepThread sweep(request, observer);
        for (;;) {
            bool ended = false;
            {
                const py::gil_scoped_release withoutGil;
                ended = sweep.waitFor(kPollInterval);
            }
            if (ended) {
                break;
            }
            if (PyErr_CheckSignals() != 0) {
                raised.emplace();  // takes the exception the handler raised
                break;
            }
            if (!progress.is_none()) {
                const auto [done, total] = observer.counts();
                try {
                    progress(done, total);
                } catch (py::error_already_set& error) {
                    raised.emplace(std::move(error));
                    break;
                }
            }
        }
        sweep.stop();  // no-op once it has ended
        const py::gil_scoped_release withoutGil;
        report = sweep.join();
    }
    if (raised) {
        throw std::move(*raised);
    }
    if (!progress.is_none()) {
        const auto [done, total] = observer.counts();
        progress(done, total);
    }
    if (report.failure) {
        if (report.failure->kind == SweepFailure::Kind::Interrupted) {
            PyErr_SetNone(PyExc_KeyboardInterrupt);  // a write the stop cut short
            throw py::error_already_set();
        }
        const SweepFailureMessage said = sweepFailureMessage(options, request, report);
        if (said.status == 2) {
            throw py::value_error(said.message);
        }
        throw std::runtime_error(said.message);
    }
}

}  // namespace satphase
