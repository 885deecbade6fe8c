#include "OnlineServices/Sendrix/FtpFileFindData.h"

#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/Archive.h"
#include "OnlineServices/Sendrix/SocketFile.h"

CFtpFileFindData::~CFtpFileFindData() { CloseListing(); }

void CFtpFileFindData::CloseListing() {
    delete archive;
    archive = nullptr;
    delete socketFile;
    socketFile = nullptr;
    if (dataSocket) dataSocket->Close();
    delete dataSocket;
    dataSocket = nullptr;
}
