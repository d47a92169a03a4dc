#include "da_version.h"

#include "platform/com_ptr.h"

namespace opcprobe {

DaVersion chooseDaVersion(IOPCServer* server, std::optional<DaVersion> asked)
{
    if (asked) return *asked;
    vetrel::ComPtr<IOPCBrowse> browse;
    return SUCCEEDED(server->QueryInterface(IID_IOPCBrowse, browse.putVoid())) ? DaVersion::V3
                                                                               : DaVersion::V2;
}

} // namespace opcprobe
