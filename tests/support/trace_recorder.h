// Records the trace lines the runtime sends to the host's event message callback.
#pragma once

#include <string>
#include <vector>

namespace vetrel::test {

class TraceRecorder
{
public:
    // Installs the recorder as the event message callback (once per process) and empties it.
    static TraceRecorder& start();

    std::vector<std::string> lines() const;
    bool contains(const std::string& line) const;
    void clear();

private:
    static void record(char* text);
};

} // namespace vetrel::test
