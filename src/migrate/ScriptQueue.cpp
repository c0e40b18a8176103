#include "migrate/ScriptQueue.h"

#include <iterator>
#include <utility>

namespace migrate {

void ScriptQueue::Push(ScriptPath script) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        outcomes.emplace_back();
        outcomes.back().script = std::move(script);
    }
    changed.notify_one();
}

void ScriptQueue::Close() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        closed = true;
    }
    changed.notify_all();
}

ScriptOutcome* ScriptQueue::Next() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return handedOut < outcomes.size() || closed; });
    return handedOut < outcomes.size() ? &outcomes[handedOut++] : nullptr;
}

std::vector<ScriptOutcome> ScriptQueue::TakeOutcomes() {
    const std::lock_guard<std::mutex> lock(mutex);
    std::vector<ScriptOutcome> taken(std::make_move_iterator(outcomes.begin()), std::make_move_iterator(outcomes.end()));
    outcomes.clear();
    handedOut = 0;
    return taken;
}

}  // namespace migrate
