#pragma once
// Helpers for the FTP tests: profiles, a scripted server's login and
// passive data connections.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "OnlineServices/Sendrix/FtpConnection.h"
#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"

namespace sendrixtest {

// A plain FTP profile for 127.0.0.1:port, user "anna", password "secret",
// passive data connections.
void FillProfile(COnlineProfile& profile, int port);

// The server's side of a direct login: greeting, USER anna (331), PASS
// secret (230).
void ScriptLogin(kvxtest::ScriptedPeer& peer);

// The "227" reply that sends the client's data connection to port on
// 127.0.0.1, with its line end.
std::string PassiveReply(int port);

// Defines the "ONLINE" events with "%s" texts, so that every argument
// shows in the log.
void DefineOnlineEvents(kvxtest::RecordingLog& log);

// True when some entry of the log holds the text.
bool LogMentions(const kvxtest::RecordingLog& log, const std::wstring& text);

// A connection logged in to a scripted control peer, with a scripted data
// peer beside it; a test writes both scripts (after the login that SetUp
// scripts), then calls Connect. Receives wait 5 seconds at most.
class FtpScriptedTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the data peer, so that its port can go into the control script.
    int StartData();
    // Ends the control script (the client closes), starts the control peer
    // and logs in.
    void Connect(int passive = 1);
    // Closes the connection; both peers must have run their scripts.
    void Finish();

    kvxtest::RecordingLog m_log;
    kvxtest::ScriptedPeer m_control;
    kvxtest::ScriptedPeer m_data;
    COnlineProfile m_profile;
    std::unique_ptr<CFtpConnection> m_connection;
    bool m_dataStarted = false;
};

} // namespace sendrixtest
