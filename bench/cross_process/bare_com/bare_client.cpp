// The bare COM client: connects to the bare server, has it hand out a child, writes and reads the
// child, lets go of both, and again, for SECONDS, printing the cycles done as it goes:
//
//   bare_client SECONDS
#include "bare_identity.h"
#include "bare_ref.h"
#include "churn_cycles.h"

namespace {

HRESULT runCycle(LONG value)
{
    BareRef<IBareServer> server;
    HRESULT hr = CoCreateInstance(kBareServerClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IBareServer,
                                  server.putVoid());
    if (FAILED(hr)) return hr;
    BareRef<IBareChild> child;
    if (FAILED(hr = server->AddChild(value, child.put()))) return hr;
    if (FAILED(hr = child->Write(value + 1))) return hr;
    LONG read = 0;
    if (FAILED(hr = child->Read(&read))) return hr;
    return read == value + 1 ? S_OK : E_UNEXPECTED;
}

} // namespace

int main(int argc, char** argv)
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    const int exitCode = runChurnCycles(argc, argv, runCycle);
    CoUninitialize();
    return exitCode;
}
