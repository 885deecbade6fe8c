#pragma once
// Helpers for the socket tests.

#include <string>

#include "OnlineServices/Sendrix/BasicSocket.h"
#include "testing/ScriptedPeer.h"

namespace sendrixtest {

// Starts the peer and connects the socket to it: true when connected.
bool ConnectToPeer(CAbstractSocket& socket, kvxtest::ScriptedPeer& peer);

// Attaches to socket the reading end of a local socket pair that holds the
// bytes (at most what a socket buffer takes, some 100 KiB) and whose
// writing end is closed: the socket reads them, then the end of the
// stream, without waiting. False when no pair could be made.
bool AttachStream(CBasicSocket& socket, const std::string& bytes);

// A TCP port on 127.0.0.1 that nothing listens on just now.
int FreeLoopbackPort();

// The int an operation throws, or 0 when it throws nothing.
template <typename Operation>
int ThrownCode(Operation operation) {
    try {
        operation();
    } catch (int code) {
        return code;
    }
    return 0;
}

} // namespace sendrixtest
