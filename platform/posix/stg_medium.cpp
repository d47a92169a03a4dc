// ReleaseStgMedium: frees what a storage medium holds, or hands it back to its owner.
#include "vetrel/com.h"

STDAPI_(void) ReleaseStgMedium(LPSTGMEDIUM pmedium)
{
    if (!pmedium) return;
    // With an owner, the owner frees the contents when its last reference goes.
    const bool ownContents = pmedium->pUnkForRelease == nullptr;
    switch (pmedium->tymed) {
    case TYMED_HGLOBAL:
        if (ownContents) GlobalFree(pmedium->hGlobal);
        break;
    case TYMED_FILE:
        if (ownContents) CoTaskMemFree(pmedium->lpszFileName);
        break;
    case TYMED_ISTREAM:
    case TYMED_ISTORAGE:
        // Streams and storages are COM objects: their first vtable slots are those of IUnknown.
        if (pmedium->pstm) reinterpret_cast<IUnknown*>(pmedium->pstm)->Release();
        break;
    default:
        break;
    }
    if (pmedium->pUnkForRelease) pmedium->pUnkForRelease->Release();
    pmedium->tymed = TYMED_NULL;
    pmedium->pUnkForRelease = nullptr;
}
