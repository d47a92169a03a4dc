// Uses the installed headers and library the way a host does; exits 0 when all went well.
#include "vetrel/opc.h"
#include "vetrel/vetrel.h"

#include <cstdio>

int main()
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = 1.5f;
    const DWORD tag = CreateTag("Package.Tag", value, OPC_QUALITY_GOOD, TRUE);
    VARIANT read;
    VariantInit(&read);
    const bool ok = VetrelRevision() == 522 && tag != 0xFFFFFFFF && ReadTag(tag, &read) &&
                    read.vt == VT_R4 && read.fltVal == 1.5f && RemoveTag(tag);
    std::puts(ok ? "package works" : "package failed");
    return ok ? 0 : 1;
}
