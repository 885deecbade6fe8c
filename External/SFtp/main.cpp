// SFtp: the SFTP agent program that the online library starts (SFtpIpc).
// Its command line holds the seven descriptor numbers of the channel.

#include <libssh/libssh.h>

#include "External/SFtp/SFtpAgent.h"
#include "External/SFtp/SFtpAgentChannel.h"

int main(int argc, char** argv) {
    CSFtpAgentChannel channel;
    if (!channel.Open(argc, argv)) return 2;
    if (ssh_init() != 0) return 3;
    // The agent answers every request and asks the library whenever it
    // waits for the server, so its acknowledgements can go with its messages.
    channel.SetDeferredTakeUp(true);
    {
        CSFtpAgent agent(channel);
        if (channel.SignalReady()) agent.Run();
    }
    ssh_finalize();
    return 0;
}
