// The console host's command input: each line of standard input reaches the main thread as a
// Command event.
#pragma once

namespace moxlan {

class MainQueue;

// Starts a thread that reads standard input until it ends. The thread is never joined: it may
// wait for input while the process ends, and the queue outlives it.
void startCommandInput(MainQueue& queue);

} // namespace moxlan
