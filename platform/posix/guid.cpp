// The published identifiers of the standard interfaces, byte for byte as Windows defines them.
#include "vetrel/com.h"

// Most OLE identifiers share the tail C000-000000000046 and differ only in the first field.
#define VETREL_OLE_IID(name, data1)                                                                \
    extern "C" const IID name = {data1, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}

extern "C" const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

VETREL_OLE_IID(IID_IUnknown, 0x00000000);
VETREL_OLE_IID(IID_IClassFactory, 0x00000001);
VETREL_OLE_IID(IID_IMalloc, 0x00000002);
VETREL_OLE_IID(IID_IMarshal, 0x00000003);
VETREL_OLE_IID(IID_IRpcChannel, 0x00000004);
VETREL_OLE_IID(IID_IRpcStub, 0x00000005);
VETREL_OLE_IID(IID_IStubManager, 0x00000006);
VETREL_OLE_IID(IID_IRpcProxy, 0x00000007);
VETREL_OLE_IID(IID_IProxyManager, 0x00000008);
VETREL_OLE_IID(IID_IStorage, 0x0000000B);
VETREL_OLE_IID(IID_IStream, 0x0000000C);
VETREL_OLE_IID(IID_IMoniker, 0x0000000F);
VETREL_OLE_IID(IID_IInternalMoniker, 0x00000011);
VETREL_OLE_IID(IID_IMessageFilter, 0x00000016);
VETREL_OLE_IID(CLSID_StdMarshal, 0x00000017);
VETREL_OLE_IID(IID_IStdMarshalInfo, 0x00000018);
VETREL_OLE_IID(IID_IExternalConnection, 0x00000019);
VETREL_OLE_IID(IID_IMallocSpy, 0x0000001D);
VETREL_OLE_IID(IID_IEnumUnknown, 0x00000100);
VETREL_OLE_IID(IID_IEnumString, 0x00000101);
VETREL_OLE_IID(IID_IEnumFORMATETC, 0x00000103);
VETREL_OLE_IID(IID_IEnumSTATDATA, 0x00000105);
VETREL_OLE_IID(IID_IPersistFile, 0x0000010B);
VETREL_OLE_IID(IID_IPersist, 0x0000010C);
VETREL_OLE_IID(IID_IDataObject, 0x0000010E);
VETREL_OLE_IID(IID_IAdviseSink, 0x0000010F);
VETREL_OLE_IID(IID_IDispatch, 0x00020400);
VETREL_OLE_IID(IID_IEnumGUID, 0x0002E000);
VETREL_OLE_IID(IID_ICatRegister, 0x0002E012);
VETREL_OLE_IID(IID_ICatInformation, 0x0002E013);

extern "C" const IID IID_IRpcProxyBuffer = {
    0xD5F56A34, 0x593B, 0x101A, {0xB5, 0x69, 0x08, 0x00, 0x2B, 0x2D, 0xBF, 0x7A}};
extern "C" const IID IID_IRpcStubBuffer = {
    0xD5F56AFC, 0x593B, 0x101A, {0xB5, 0x69, 0x08, 0x00, 0x2B, 0x2D, 0xBF, 0x7A}};
extern "C" const IID IID_IRpcChannelBuffer = {
    0xD5F56B60, 0x593B, 0x101A, {0xB5, 0x69, 0x08, 0x00, 0x2B, 0x2D, 0xBF, 0x7A}};

extern "C" const IID IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
extern "C" const IID IID_IEnumConnectionPoints = {
    0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
extern "C" const IID IID_IConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
extern "C" const IID IID_IEnumConnections = {
    0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
