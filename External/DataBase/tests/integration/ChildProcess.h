#pragma once
// A program started by a test with its standard input and output on pipes:
// the test writes the input, reads the output line by line (a line waits
// for the program, never for a clock) and ends or waits for it.

#include <sys/types.h>

#include <string>
#include <vector>

namespace dbtest {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (a path) with the arguments; input goes to its
    // standard input, which is then closed. False when it cannot start.
    bool Start(const std::vector<std::string>& argv, const std::string& input = std::string());
    // The next line of its output without the line end; false at the end
    // of the output.
    bool ReadLine(std::string& line);
    // Reads the rest of its output and waits for it: its exit status, or
    // -1 when it did not exit by itself.
    int Wait(std::string* rest = nullptr);
    // Ends it (SIGTERM) and waits for it.
    void Stop();

private:
    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_buffer;
};

// Runs a program to its end: its exit status (-1 when it did not start or
// exit by itself) and its output.
int RunProgram(const std::vector<std::string>& argv, const std::string& input, std::string& output);

}  // namespace dbtest
