// OLE Automation types and functions: BSTR, VARIANT, SAFEARRAY, DATE and the codes that go
// with them, laid out and named as on 64-bit Windows so the same source builds on both targets.
#pragma once

#include "vetrel/posix/base.h"

// Interfaces a VARIANT can hold. unknwn.h defines IUnknown; a declaration here is harmless.
struct IUnknown;
struct IDispatch;
struct IRecordInfo;

typedef unsigned short VARTYPE;
typedef short VARIANT_BOOL;
typedef double DATE;
typedef OLECHAR* BSTR;
typedef BSTR* LPBSTR;
typedef void* PVOID;

#define VARIANT_TRUE (static_cast<VARIANT_BOOL>(-1))
#define VARIANT_FALSE (static_cast<VARIANT_BOOL>(0))

enum VARENUM
{
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_SAFEARRAY = 27,
    VT_CARRAY = 28,
    VT_USERDEFINED = 29,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_RECORD = 36,
    VT_INT_PTR = 37,
    VT_UINT_PTR = 38,
    VT_FILETIME = 64,
    VT_BLOB = 65,
    VT_STREAM = 66,
    VT_STORAGE = 67,
    VT_STREAMED_OBJECT = 68,
    VT_STORED_OBJECT = 69,
    VT_BLOB_OBJECT = 70,
    VT_CF = 71,
    VT_CLSID = 72,
    VT_VERSIONED_STREAM = 73,
    VT_BSTR_BLOB = 0x0FFF,
    VT_VECTOR = 0x1000,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_RESERVED = 0x8000,
    VT_ILLEGAL = 0xFFFF,
    VT_ILLEGALMASKED = 0x0FFF,
    VT_TYPEMASK = 0x0FFF
};

union CY
{
    struct
    {
        ULONG Lo;
        LONG Hi;
    };
    LONGLONG int64;
};
typedef CY* LPCY;

struct DECIMAL
{
    USHORT wReserved;
    union
    {
        struct
        {
            BYTE scale;
            BYTE sign;
        };
        USHORT signscale;
    };
    ULONG Hi32;
    union
    {
        struct
        {
            ULONG Lo32;
            ULONG Mid32;
        };
        ULONGLONG Lo64;
    };
};
typedef DECIMAL* LPDECIMAL;
#define DECIMAL_NEG (static_cast<BYTE>(0x80))
#define DECIMAL_SETZERO(dec) ((dec).Lo64 = 0, (dec).Hi32 = 0, (dec).signscale = 0)

struct SAFEARRAYBOUND
{
    ULONG cElements;
    LONG lLbound;
};
typedef SAFEARRAYBOUND* LPSAFEARRAYBOUND;

struct SAFEARRAY
{
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};
typedef SAFEARRAY* LPSAFEARRAY;

#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_RECORD 0x0020
#define FADF_HAVEIID 0x0040
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800
#define FADF_RESERVED 0xF008

struct VARIANT
{
    union
    {
        struct
        {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            union
            {
                LONGLONG llVal;
                LONG lVal;
                BYTE bVal;
                SHORT iVal;
                FLOAT fltVal;
                DOUBLE dblVal;
                VARIANT_BOOL boolVal;
                SCODE scode;
                CY cyVal;
                DATE date;
                BSTR bstrVal;
                IUnknown* punkVal;
                IDispatch* pdispVal;
                SAFEARRAY* parray;
                BYTE* pbVal;
                SHORT* piVal;
                LONG* plVal;
                LONGLONG* pllVal;
                FLOAT* pfltVal;
                DOUBLE* pdblVal;
                VARIANT_BOOL* pboolVal;
                SCODE* pscode;
                CY* pcyVal;
                DATE* pdate;
                BSTR* pbstrVal;
                IUnknown** ppunkVal;
                IDispatch** ppdispVal;
                SAFEARRAY** pparray;
                VARIANT* pvarVal;
                PVOID byref;
                CHAR cVal;
                USHORT uiVal;
                ULONG ulVal;
                ULONGLONG ullVal;
                INT intVal;
                UINT uintVal;
                DECIMAL* pdecVal;
                CHAR* pcVal;
                USHORT* puiVal;
                ULONG* pulVal;
                ULONGLONG* pullVal;
                INT* pintVal;
                UINT* puintVal;
                struct
                {
                    PVOID pvRecord;
                    IRecordInfo* pRecInfo;
                };
            };
        };
        DECIMAL decVal;
    };
};
typedef VARIANT VARIANTARG;
typedef VARIANT* LPVARIANT;
typedef VARIANT* LPVARIANTARG;

static_assert(sizeof(VARIANT) == 24 && alignof(VARIANT) == 8);
static_assert(offsetof(VARIANT, vt) == 0 && offsetof(VARIANT, wReserved1) == 2);
static_assert(offsetof(VARIANT, wReserved2) == 4 && offsetof(VARIANT, wReserved3) == 6);
static_assert(offsetof(VARIANT, lVal) == 8 && offsetof(VARIANT, pRecInfo) == 16);
static_assert(offsetof(VARIANT, decVal) == 0 && sizeof(DECIMAL) == 16);
static_assert(offsetof(DECIMAL, scale) == 2 && offsetof(DECIMAL, sign) == 3);
static_assert(offsetof(DECIMAL, Hi32) == 4 && offsetof(DECIMAL, Lo32) == 8);
static_assert(offsetof(DECIMAL, Mid32) == 12 && offsetof(DECIMAL, Lo64) == 8);
static_assert(sizeof(CY) == 8 && offsetof(CY, Hi) == 4);
static_assert(sizeof(SAFEARRAY) == 32 && offsetof(SAFEARRAY, pvData) == 16);
static_assert(offsetof(SAFEARRAY, rgsabound) == 24 && sizeof(SAFEARRAYBOUND) == 8);

// Accessors, as code written for Windows uses them.
#define V_VT(v) ((v)->vt)
#define V_ISBYREF(v) (V_VT(v) & VT_BYREF)
#define V_ISARRAY(v) (V_VT(v) & VT_ARRAY)
#define V_ISVECTOR(v) (V_VT(v) & VT_VECTOR)
#define V_NONE(v) V_I2(v)
#define V_UI1(v) ((v)->bVal)
#define V_UI1REF(v) ((v)->pbVal)
#define V_I1(v) ((v)->cVal)
#define V_I1REF(v) ((v)->pcVal)
#define V_I2(v) ((v)->iVal)
#define V_I2REF(v) ((v)->piVal)
#define V_UI2(v) ((v)->uiVal)
#define V_UI2REF(v) ((v)->puiVal)
#define V_I4(v) ((v)->lVal)
#define V_I4REF(v) ((v)->plVal)
#define V_UI4(v) ((v)->ulVal)
#define V_UI4REF(v) ((v)->pulVal)
#define V_I8(v) ((v)->llVal)
#define V_I8REF(v) ((v)->pllVal)
#define V_UI8(v) ((v)->ullVal)
#define V_UI8REF(v) ((v)->pullVal)
#define V_INT(v) ((v)->intVal)
#define V_INTREF(v) ((v)->pintVal)
#define V_UINT(v) ((v)->uintVal)
#define V_UINTREF(v) ((v)->puintVal)
#define V_R4(v) ((v)->fltVal)
#define V_R4REF(v) ((v)->pfltVal)
#define V_R8(v) ((v)->dblVal)
#define V_R8REF(v) ((v)->pdblVal)
#define V_CY(v) ((v)->cyVal)
#define V_CYREF(v) ((v)->pcyVal)
#define V_DATE(v) ((v)->date)
#define V_DATEREF(v) ((v)->pdate)
#define V_BSTR(v) ((v)->bstrVal)
#define V_BSTRREF(v) ((v)->pbstrVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_DISPATCHREF(v) ((v)->ppdispVal)
#define V_ERROR(v) ((v)->scode)
#define V_ERRORREF(v) ((v)->pscode)
#define V_BOOL(v) ((v)->boolVal)
#define V_BOOLREF(v) ((v)->pboolVal)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_UNKNOWNREF(v) ((v)->ppunkVal)
#define V_VARIANTREF(v) ((v)->pvarVal)
#define V_ARRAY(v) ((v)->parray)
#define V_ARRAYREF(v) ((v)->pparray)
#define V_BYREF(v) ((v)->byref)
#define V_DECIMAL(v) ((v)->decVal)
#define V_DECIMALREF(v) ((v)->pdecVal)
#define V_RECORD(v) ((v)->pvRecord)
#define V_RECORDINFO(v) ((v)->pRecInfo)

// Dispatch and type library codes.
#define DISP_E_UNKNOWNINTERFACE VETREL_HR(0x80020001)
#define DISP_E_MEMBERNOTFOUND VETREL_HR(0x80020003)
#define DISP_E_PARAMNOTFOUND VETREL_HR(0x80020004)
#define DISP_E_TYPEMISMATCH VETREL_HR(0x80020005)
#define DISP_E_UNKNOWNNAME VETREL_HR(0x80020006)
#define DISP_E_NONAMEDARGS VETREL_HR(0x80020007)
#define DISP_E_BADVARTYPE VETREL_HR(0x80020008)
#define DISP_E_EXCEPTION VETREL_HR(0x80020009)
#define DISP_E_OVERFLOW VETREL_HR(0x8002000A)
#define DISP_E_BADINDEX VETREL_HR(0x8002000B)
#define DISP_E_UNKNOWNLCID VETREL_HR(0x8002000C)
#define DISP_E_ARRAYISLOCKED VETREL_HR(0x8002000D)
#define DISP_E_BADPARAMCOUNT VETREL_HR(0x8002000E)
#define DISP_E_PARAMNOTOPTIONAL VETREL_HR(0x8002000F)
#define DISP_E_BADCALLEE VETREL_HR(0x80020010)
#define DISP_E_NOTACOLLECTION VETREL_HR(0x80020011)
#define DISP_E_DIVBYZERO VETREL_HR(0x80020012)
#define DISP_E_BUFFERTOOSMALL VETREL_HR(0x80020013)
#define TYPE_E_TYPEMISMATCH VETREL_HR(0x80028CA0)
#define TYPE_E_OUTOFBOUNDS VETREL_HR(0x80028CA1)

// Locale identifiers the conversions take.
#ifndef LOCALE_USER_DEFAULT
#define LANG_NEUTRAL 0x00
#define LANG_INVARIANT 0x7f
#define LANG_GERMAN 0x07
#define LANG_ENGLISH 0x09
#define LANG_FRENCH 0x0c
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_SYS_DEFAULT 0x02
#define SUBLANG_ENGLISH_US 0x01
#define SUBLANG_ENGLISH_UK 0x02
#define SUBLANG_FRENCH 0x01
#define SUBLANG_GERMAN 0x01
#define SORT_DEFAULT 0x0
#define MAKELANGID(p, s) ((static_cast<WORD>(s) << 10) | static_cast<WORD>(p))
#define PRIMARYLANGID(lgid) (static_cast<WORD>(lgid) & 0x3ff)
#define SUBLANGID(lgid) (static_cast<WORD>(lgid) >> 10)
#define MAKELCID(lgid, srtid)                                                                      \
    static_cast<DWORD>((static_cast<DWORD>(static_cast<WORD>(srtid)) << 16) |                      \
                       static_cast<DWORD>(static_cast<WORD>(lgid)))
#define LANGIDFROMLCID(lcid) static_cast<WORD>(lcid)
#define LANG_SYSTEM_DEFAULT MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT)
#define LANG_USER_DEFAULT MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)
#define LOCALE_SYSTEM_DEFAULT MAKELCID(LANG_SYSTEM_DEFAULT, SORT_DEFAULT)
#define LOCALE_USER_DEFAULT MAKELCID(LANG_USER_DEFAULT, SORT_DEFAULT)
#define LOCALE_NEUTRAL MAKELCID(MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), SORT_DEFAULT)
#define LOCALE_INVARIANT MAKELCID(MAKELANGID(LANG_INVARIANT, SUBLANG_NEUTRAL), SORT_DEFAULT)
#endif

// Flags of VariantChangeType(Ex).
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_CALENDAR_HIJRI 0x08
#define VARIANT_LOCALBOOL 0x10
#define VARIANT_CALENDAR_THAI 0x20
#define VARIANT_CALENDAR_GREGORIAN 0x40
#define VARIANT_USE_NLS 0x80

// Flags of the Var*From* conversions and of the UDATE functions.
#define VAR_TIMEVALUEONLY static_cast<DWORD>(0x00000001)
#define VAR_DATEVALUEONLY static_cast<DWORD>(0x00000002)
#define VAR_VALIDDATE static_cast<DWORD>(0x00000004)
#define VAR_CALENDAR_HIJRI static_cast<DWORD>(0x00000008)
#define VAR_LOCALBOOL static_cast<DWORD>(0x00000010)
#define VAR_FORMAT_NOSUBSTITUTE static_cast<DWORD>(0x00000020)
#define VAR_FOURDIGITYEARS static_cast<DWORD>(0x00000040)
#define VAR_CALENDAR_THAI static_cast<DWORD>(0x00000080)
#define VAR_CALENDAR_GREGORIAN static_cast<DWORD>(0x00000100)

// Days from 1899-12-30 to 9999-12-31 and to 0100-01-01, the range a DATE may hold.
#define VTDATEGRE_MAX 2958465
#define VTDATEGRE_MIN -657434

struct UDATE
{
    SYSTEMTIME st;
    USHORT wDayOfYear;
};

// BSTR
STDAPI_(BSTR) SysAllocString(const OLECHAR* psz);
STDAPI_(BSTR) SysAllocStringLen(const OLECHAR* strIn, UINT ui);
STDAPI_(BSTR) SysAllocStringByteLen(LPCSTR psz, UINT len);
STDAPI_(INT) SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
STDAPI_(INT) SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
STDAPI_(void) SysFreeString(BSTR bstrString);
STDAPI_(UINT) SysStringLen(BSTR pbstr);
STDAPI_(UINT) SysStringByteLen(BSTR bstr);

// VARIANT
STDAPI_(void) VariantInit(VARIANTARG* pvarg);
STDAPI VariantClear(VARIANTARG* pvarg);
STDAPI VariantCopy(VARIANTARG* pvargDest, VARIANTARG* pvargSrc);
STDAPI VariantCopyInd(VARIANT* pvarDest, VARIANTARG* pvargSrc);
STDAPI VariantChangeType(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt);
STDAPI VariantChangeTypeEx(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                           VARTYPE vt);

// SAFEARRAY
STDAPI SafeArrayAllocDescriptor(UINT cDims, SAFEARRAY** ppsaOut);
STDAPI SafeArrayAllocDescriptorEx(VARTYPE vt, UINT cDims, SAFEARRAY** ppsaOut);
STDAPI SafeArrayAllocData(SAFEARRAY* psa);
STDAPI_(SAFEARRAY*) SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
STDAPI_(SAFEARRAY*) SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
STDAPI SafeArrayDestroyDescriptor(SAFEARRAY* psa);
STDAPI SafeArrayDestroyData(SAFEARRAY* psa);
STDAPI SafeArrayDestroy(SAFEARRAY* psa);
STDAPI SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
STDAPI SafeArrayCopyData(SAFEARRAY* psaSource, SAFEARRAY* psaTarget);
STDAPI SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew);
STDAPI_(UINT) SafeArrayGetDim(SAFEARRAY* psa);
STDAPI_(UINT) SafeArrayGetElemsize(SAFEARRAY* psa);
STDAPI SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
STDAPI SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
STDAPI SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
STDAPI SafeArrayLock(SAFEARRAY* psa);
STDAPI SafeArrayUnlock(SAFEARRAY* psa);
STDAPI SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
STDAPI SafeArrayUnaccessData(SAFEARRAY* psa);
STDAPI SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
STDAPI SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
STDAPI SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData);

// DATE
STDAPI_(INT) SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DOUBLE* pvtime);
STDAPI_(INT) VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime);
STDAPI VarDateFromUdate(UDATE* pudateIn, ULONG dwFlags, DATE* pdateOut);
STDAPI VarUdateFromDate(DATE dateIn, ULONG dwFlags, UDATE* pudateOut);
