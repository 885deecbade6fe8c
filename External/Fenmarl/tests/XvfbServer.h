#pragma once
// An Xvfb of the test's own on a display number the server picks itself
// (-displayfd), stopped when the object goes; DISPLAY names it meanwhile.
#include <string>
#include <sys/types.h>

class CXvfbServer {
public:
    CXvfbServer();
    ~CXvfbServer();
    CXvfbServer(const CXvfbServer&) = delete;
    CXvfbServer& operator=(const CXvfbServer&) = delete;

    bool Running() const { return !display_.empty(); }
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};
