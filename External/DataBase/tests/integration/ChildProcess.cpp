#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace dbtest {

ChildProcess::~ChildProcess()
{
    Stop();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& input)
{
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_output = out[0];
    if (m_pid < 0) {
        close(in[1]);
        return false;
    }
    // The input is small; the program reads it before it writes much.
    signal(SIGPIPE, SIG_IGN);
    for (size_t written = 0; written < input.size();) {
        ssize_t n = write(in[1], input.data() + written, input.size() - written);
        if (n <= 0 && errno != EINTR)
            break;
        if (n > 0)
            written += static_cast<size_t>(n);
    }
    close(in[1]);
    return true;
}

bool ChildProcess::ReadLine(std::string& line)
{
    for (;;) {
        size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            return true;
        }
        char piece[4096];
        ssize_t n = m_output < 0 ? 0 : read(m_output, piece, sizeof piece);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        m_buffer.append(piece, static_cast<size_t>(n));
    }
}

int ChildProcess::Wait(std::string* rest)
{
    if (m_pid <= 0)
        return -1;
    std::string text = m_buffer;
    m_buffer.clear();
    char piece[4096];
    for (ssize_t n; m_output >= 0 && ((n = read(m_output, piece, sizeof piece)) > 0 || (n < 0 && errno == EINTR));)
        if (n > 0)
            text.append(piece, static_cast<size_t>(n));
    if (rest)
        *rest = text;
    if (m_output >= 0)
        close(m_output);
    m_output = -1;
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::Stop()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        Wait();
    }
    if (m_output >= 0)
        close(m_output);
    m_output = -1;
}

int RunProgram(const std::vector<std::string>& argv, const std::string& input, std::string& output)
{
    ChildProcess child;
    if (!child.Start(argv, input))
        return -1;
    return child.Wait(&output);
}

}  // namespace dbtest
