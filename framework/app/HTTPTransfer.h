// An HTTP transfer object without a transport: it can be aborted and destroyed, and no
// operation starts a request.
#pragma once

#include <atomic>
#include <string>

namespace Lumo
{

class HTTPTransfer
{
public:
    int mTransferId;
    std::string mSendStr;
    std::string mBaseURL;
    std::string mRelativeURL;
    std::string mURL;
    std::string mProtocol;
    std::string mHost;
    std::string mPath;
    std::string mContent;
    std::atomic<bool> mTransferPending{false};
    std::atomic<bool> mAborted{false};
    std::atomic<bool> mThreadAborted{false};
    int mResult = 1;
    int mState = 1;

    HTTPTransfer();
    virtual ~HTTPTransfer();
    HTTPTransfer(const HTTPTransfer&) = delete;
    HTTPTransfer& operator=(const HTTPTransfer&) = delete;

    void Abort();
};

extern HTTPTransfer gHTTPTransfer;

} // namespace Lumo
