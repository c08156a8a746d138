#include "app/HTTPTransfer.h"

#include "win32/windows.h"

namespace Lumo
{

namespace
{
std::atomic<int> gNextTransferId{0};
} // namespace

HTTPTransfer gHTTPTransfer;

HTTPTransfer::HTTPTransfer() : mTransferId(++gNextTransferId) {}

HTTPTransfer::~HTTPTransfer()
{
    Abort();
    while (mTransferPending)
        Sleep(20);
}

void HTTPTransfer::Abort()
{
    mAborted = true;
    mThreadAborted = true;
}

} // namespace Lumo
