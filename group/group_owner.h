// What a group asks of the server whose list holds it. The server is the layer above the
// group, so the group reaches it through this face only.
#pragma once

#include "vetrel/com.h"

#include <string>

namespace vetrel {

class OPCGroup;
struct GroupState;

class GroupOwner
{
public:
    // A new group of the server, named name or, when name is empty, the server's next default
    // name: the client's interface riid of it goes to ppUnk and it joins the server's list.
    // OPC_E_DUPLICATENAME when a listed group bears the name; on any failure nothing is left
    // behind. The caller holds the runtime lock.
    virtual HRESULT addNamedGroup(std::string name, const GroupState& state, REFIID riid,
                                  IUnknown** ppUnk, OPCGroup*& added) = 0;
    // group, of the server's list, bears name from now on; any name goes, another group's too.
    // Throws std::bad_alloc, keeping the old name.
    virtual void renameGroup(OPCGroup& group, std::string name) = 0;

protected:
    ~GroupOwner() = default;
};

} // namespace vetrel
