// The standard COM interfaces the runtime implements or calls, with the vtable order, types and
// identifiers that Windows gives them, and the HRESULT codes those interfaces answer.
#pragma once

#include "vetrel/posix/base.h"

#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define PURE = 0
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE

// Codes of the connection point, class factory and data transfer interfaces.
#define CLASS_E_NOAGGREGATION VETREL_HR(0x80040110)
#define CLASS_E_CLASSNOTAVAILABLE VETREL_HR(0x80040111)
#define CONNECT_E_NOCONNECTION VETREL_HR(0x80040200)
#define CONNECT_E_ADVISELIMIT VETREL_HR(0x80040201)
#define CONNECT_E_CANNOTCONNECT VETREL_HR(0x80040202)
#define CONNECT_E_OVERRIDDEN VETREL_HR(0x80040203)
#define OLE_E_ADVF VETREL_HR(0x80040001)
#define OLE_E_ADVISENOTSUPPORTED VETREL_HR(0x80040003)
#define OLE_E_NOCONNECTION VETREL_HR(0x80040004)
#define DV_E_FORMATETC VETREL_HR(0x80040064)
#define DV_E_LINDEX VETREL_HR(0x80040068)
#define DV_E_TYMED VETREL_HR(0x80040069)
#define DV_E_DVASPECT VETREL_HR(0x8004006B)
#define DATA_S_SAMEFORMATETC VETREL_HR(0x00040130)
#define STG_E_MEDIUMFULL VETREL_HR(0x80030070)
#define RPC_E_CALL_REJECTED VETREL_HR(0x80010001)
#define RPC_E_SERVERFAULT VETREL_HR(0x80010105)
#define RPC_E_DISCONNECTED VETREL_HR(0x80010108)
#define RPC_E_SERVER_DIED VETREL_HR(0x80010007)
#define RPC_E_SERVER_DIED_DNE VETREL_HR(0x80010012)
#define CO_E_OBJNOTCONNECTED VETREL_HR(0x800401FD)

struct IUnknown;
struct IDispatch;
struct IMoniker;
struct IStream;
struct IStorage;
struct IAdviseSink;
struct IEnumFORMATETC;
struct IEnumSTATDATA;
struct IConnectionPointContainer;
struct IEnumConnections;

typedef IMoniker* LPMONIKER;
typedef IStream* LPSTREAM;
typedef IStorage* LPSTORAGE;

extern "C" const IID IID_IUnknown;
extern "C" const IID IID_IClassFactory;
extern "C" const IID IID_IMalloc;
extern "C" const IID IID_IMarshal;
extern "C" const IID IID_IRpcChannel;
extern "C" const IID IID_IRpcStub;
extern "C" const IID IID_IStubManager;
extern "C" const IID IID_IRpcProxy;
extern "C" const IID IID_IProxyManager;
extern "C" const IID IID_IStream;
extern "C" const IID IID_IStorage;
extern "C" const IID IID_IMoniker;
extern "C" const IID IID_IInternalMoniker;
extern "C" const IID IID_IMessageFilter;
extern "C" const CLSID CLSID_StdMarshal;
extern "C" const IID IID_IStdMarshalInfo;
extern "C" const IID IID_IExternalConnection;
extern "C" const IID IID_IMallocSpy;
extern "C" const IID IID_IEnumUnknown;
extern "C" const IID IID_IEnumString;
extern "C" const IID IID_IEnumFORMATETC;
extern "C" const IID IID_IEnumSTATDATA;
extern "C" const IID IID_IPersistFile;
extern "C" const IID IID_IPersist;
extern "C" const IID IID_IDataObject;
extern "C" const IID IID_IAdviseSink;
extern "C" const IID IID_IRpcProxyBuffer;
extern "C" const IID IID_IRpcStubBuffer;
extern "C" const IID IID_IRpcChannelBuffer;
extern "C" const IID IID_IDispatch;
extern "C" const IID IID_IEnumGUID;
extern "C" const IID IID_ICatRegister;
extern "C" const IID IID_ICatInformation;
extern "C" const IID IID_IConnectionPointContainer;
extern "C" const IID IID_IEnumConnectionPoints;
extern "C" const IID IID_IConnectionPoint;
extern "C" const IID IID_IEnumConnections;

struct IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
typedef IUnknown* LPUNKNOWN;

struct IClassFactory : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                     void** ppvObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;
};
typedef IClassFactory* LPCLASSFACTORY;

struct IMalloc : public IUnknown
{
    virtual void* STDMETHODCALLTYPE Alloc(SIZE_T cb) = 0;
    virtual void* STDMETHODCALLTYPE Realloc(void* pv, SIZE_T cb) = 0;
    virtual void STDMETHODCALLTYPE Free(void* pv) = 0;
    virtual SIZE_T STDMETHODCALLTYPE GetSize(void* pv) = 0;
    virtual int STDMETHODCALLTYPE DidAlloc(void* pv) = 0;
    virtual void STDMETHODCALLTYPE HeapMinimize() = 0;
};
typedef IMalloc* LPMALLOC;

struct IEnumUnknown : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, IUnknown** rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumUnknown** ppenum) = 0;
};
typedef IEnumUnknown* LPENUMUNKNOWN;

struct IEnumString : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumString** ppenum) = 0;
};
typedef IEnumString* LPENUMSTRING;

typedef GUID CATID;
typedef const GUID& REFCATID;

struct IEnumGUID : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, GUID* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumGUID** ppenum) = 0;
};
typedef IEnumGUID* LPENUMGUID;
typedef IEnumGUID IEnumCLSID;
typedef IEnumGUID* LPENUMCLSID;
typedef IEnumGUID IEnumCATID;
typedef IEnumGUID* LPENUMCATID;

// Connection points -------------------------------------------------------------------------

struct CONNECTDATA
{
    IUnknown* pUnk;
    DWORD dwCookie;
};
typedef CONNECTDATA* PCONNECTDATA;
typedef CONNECTDATA* LPCONNECTDATA;

struct IConnectionPoint : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer** ppCPC) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) = 0;
};
typedef IConnectionPoint* PCONNECTIONPOINT;
typedef IConnectionPoint* LPCONNECTIONPOINT;

struct IEnumConnectionPoints : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG cConnections, LPCONNECTIONPOINT* ppCP,
                                           ULONG* pcFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG cConnections) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** ppEnum) = 0;
};
typedef IEnumConnectionPoints* PENUMCONNECTIONPOINTS;
typedef IEnumConnectionPoints* LPENUMCONNECTIONPOINTS;

struct IConnectionPointContainer : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) = 0;
};
typedef IConnectionPointContainer* PCONNECTIONPOINTCONTAINER;
typedef IConnectionPointContainer* LPCONNECTIONPOINTCONTAINER;

struct IEnumConnections : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG cConnections, LPCONNECTDATA rgcd,
                                           ULONG* pcFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG cConnections) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumConnections** ppEnum) = 0;
};
typedef IEnumConnections* PENUMCONNECTIONS;
typedef IEnumConnections* LPENUMCONNECTIONS;

// Data transfer -----------------------------------------------------------------------------

typedef WORD CLIPFORMAT;
typedef CLIPFORMAT* LPCLIPFORMAT;
typedef HANDLE HBITMAP;
typedef HANDLE HMETAFILEPICT;
typedef HANDLE HENHMETAFILE;

enum DVASPECT
{
    DVASPECT_CONTENT = 1,
    DVASPECT_THUMBNAIL = 2,
    DVASPECT_ICON = 4,
    DVASPECT_DOCPRINT = 8
};

enum TYMED
{
    TYMED_NULL = 0,
    TYMED_HGLOBAL = 1,
    TYMED_FILE = 2,
    TYMED_ISTREAM = 4,
    TYMED_ISTORAGE = 8,
    TYMED_GDI = 16,
    TYMED_MFPICT = 32,
    TYMED_ENHMF = 64
};

enum ADVF
{
    ADVF_NODATA = 1,
    ADVF_PRIMEFIRST = 2,
    ADVF_ONLYONCE = 4,
    ADVF_DATAONSTOP = 64,
    ADVFCACHE_NOHANDLER = 8,
    ADVFCACHE_FORCEBUILTIN = 16,
    ADVFCACHE_ONSAVE = 32
};

enum DATADIR
{
    DATADIR_GET = 1,
    DATADIR_SET = 2
};

struct DVTARGETDEVICE
{
    DWORD tdSize;
    WORD tdDriverNameOffset;
    WORD tdDeviceNameOffset;
    WORD tdPortNameOffset;
    WORD tdExtDevmodeOffset;
    BYTE tdData[1];
};

struct FORMATETC
{
    CLIPFORMAT cfFormat;
    DVTARGETDEVICE* ptd;
    DWORD dwAspect;
    LONG lindex;
    DWORD tymed;
};
typedef FORMATETC* LPFORMATETC;

struct STGMEDIUM
{
    DWORD tymed;
    union
    {
        HBITMAP hBitmap;
        HMETAFILEPICT hMetaFilePict;
        HENHMETAFILE hEnhMetaFile;
        HGLOBAL hGlobal;
        LPOLESTR lpszFileName;
        IStream* pstm;
        IStorage* pstg;
    };
    IUnknown* pUnkForRelease;
};
typedef STGMEDIUM uSTGMEDIUM;
typedef STGMEDIUM* LPSTGMEDIUM;

struct STATDATA
{
    FORMATETC formatetc;
    DWORD advf;
    IAdviseSink* pAdvSink;
    DWORD dwConnection;
};
typedef STATDATA* LPSTATDATA;

struct IEnumFORMATETC : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** ppenum) = 0;
};
typedef IEnumFORMATETC* LPENUMFORMATETC;

struct IEnumSTATDATA : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, STATDATA* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumSTATDATA** ppenum) = 0;
};
typedef IEnumSTATDATA* LPENUMSTATDATA;

// Callbacks of a data advise connection return nothing: the sender never waits for the sink.
struct IAdviseSink : public IUnknown
{
    virtual void STDMETHODCALLTYPE OnDataChange(FORMATETC* pFormatetc, STGMEDIUM* pStgmed) = 0;
    virtual void STDMETHODCALLTYPE OnViewChange(DWORD dwAspect, LONG lindex) = 0;
    virtual void STDMETHODCALLTYPE OnRename(IMoniker* pmk) = 0;
    virtual void STDMETHODCALLTYPE OnSave() = 0;
    virtual void STDMETHODCALLTYPE OnClose() = 0;
};
typedef IAdviseSink* LPADVISESINK;

struct IDataObject : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pformatetc) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* pformatectIn,
                                                            FORMATETC* pformatetcOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium,
                                              BOOL fRelease) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection,
                                                    IEnumFORMATETC** ppenumFormatEtc) = 0;
    virtual HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* pformatetc, DWORD advf,
                                              IAdviseSink* pAdvSink, DWORD* pdwConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE DUnadvise(DWORD dwConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** ppenumAdvise) = 0;
};
typedef IDataObject* LPDATAOBJECT;

// Persistence -------------------------------------------------------------------------------

struct IPersist : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) = 0;
};
typedef IPersist* LPPERSIST;

struct IPersistFile : public IPersist
{
    virtual HRESULT STDMETHODCALLTYPE IsDirty() = 0;
    virtual HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD dwMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR pszFileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) = 0;
};
typedef IPersistFile* LPPERSISTFILE;
