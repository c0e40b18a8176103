#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "migrate/ScriptRun.h"

namespace migrate {

// The scripts a walk finds, handed to the threads that read them while the walk goes on. Each
// script gets its outcome's place as it is found, so the outcomes stay in the walk's order
// whichever thread reads which.
class ScriptQueue {
public:
    // The walk found a script.
    void Push(ScriptPath script);
    // The walk is over.
    void Close();
    // The next script to read (its `script` set, the rest for the reader to fill in), waiting
    // for the walk when it is ahead of it; null once the walk is over and every script is out.
    // The place stays valid: a deque never moves its elements.
    ScriptOutcome* Next();
    // Every outcome, in the walk's order; once every reader is done.
    std::vector<ScriptOutcome> TakeOutcomes();

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<ScriptOutcome> outcomes;
    std::size_t handedOut = 0;
    bool closed = false;
};

}  // namespace migrate
