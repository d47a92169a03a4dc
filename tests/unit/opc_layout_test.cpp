// Our OPC definitions against the published facts: structure layouts, identifiers, constants,
// result codes and vtable order. Most checks are static, so a transcription slip breaks the
// build of the target whose layout it would corrupt; the rest run on both targets.
#include "vetrel/opc.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <iterator>
#include <numeric>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

namespace {

// ---- Structure layouts ---------------------------------------------------------------------

// The published tables give a 32-bit and a 64-bit column; each build checks its own.
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8);
constexpr std::size_t at(std::size_t x86, std::size_t x64)
{
    return sizeof(void*) == 8 ? x64 : x86;
}

template <class T>
constexpr bool sized(std::size_t x86, std::size_t x64, std::size_t align86, std::size_t align64)
{
    return sizeof(T) == at(x86, x64) && alignof(T) == at(align86, align64);
}

// What the OPC structures are built from.
static_assert(std::is_same_v<OPCHANDLE, DWORD> && sizeof(OPCHANDLE) == 4);
static_assert(sizeof(BOOL) == 4 && sizeof(VARTYPE) == 2 && sizeof(HRESULT) == 4);
static_assert(sized<FILETIME>(8, 8, 4, 4));
static_assert(sized<VARIANT>(16, 24, 8, 8));
static_assert(sizeof(OPCDATASOURCE) == 4 && sizeof(OPCBROWSETYPE) == 4 &&
              sizeof(OPCNAMESPACETYPE) == 4 && sizeof(OPCBROWSEDIRECTION) == 4 &&
              sizeof(OPCEUTYPE) == 4 && sizeof(OPCSERVERSTATE) == 4 && sizeof(OPCENUMSCOPE) == 4 &&
              sizeof(OPCAEBROWSEDIRECTION) == 4 && sizeof(OPCAEBROWSETYPE) == 4 &&
              sizeof(OPCEVENTSERVERSTATE) == 4);

static_assert(sized<OPCITEMDEF>(28, 48, 4, 8));
static_assert(offsetof(OPCITEMDEF, szAccessPath) == 0);
static_assert(offsetof(OPCITEMDEF, szItemID) == at(4, 8));
static_assert(offsetof(OPCITEMDEF, bActive) == at(8, 16));
static_assert(offsetof(OPCITEMDEF, hClient) == at(12, 20));
static_assert(offsetof(OPCITEMDEF, dwBlobSize) == at(16, 24));
static_assert(offsetof(OPCITEMDEF, pBlob) == at(20, 32));
static_assert(offsetof(OPCITEMDEF, vtRequestedDataType) == at(24, 40));
static_assert(offsetof(OPCITEMDEF, wReserved) == at(26, 42));

static_assert(sized<OPCITEMRESULT>(20, 24, 4, 8));
static_assert(offsetof(OPCITEMRESULT, hServer) == 0);
static_assert(offsetof(OPCITEMRESULT, vtCanonicalDataType) == 4);
static_assert(offsetof(OPCITEMRESULT, wReserved) == 6);
static_assert(offsetof(OPCITEMRESULT, dwAccessRights) == 8);
static_assert(offsetof(OPCITEMRESULT, dwBlobSize) == 12);
static_assert(offsetof(OPCITEMRESULT, pBlob) == 16);

static_assert(sized<OPCITEMSTATE>(32, 40, 8, 8));
static_assert(offsetof(OPCITEMSTATE, hClient) == 0);
static_assert(offsetof(OPCITEMSTATE, ftTimeStamp) == 4);
static_assert(offsetof(OPCITEMSTATE, wQuality) == 12);
static_assert(offsetof(OPCITEMSTATE, wReserved) == 14);
static_assert(offsetof(OPCITEMSTATE, vDataValue) == 16);

static_assert(sized<OPCITEMATTRIBUTES>(56, 80, 8, 8));
static_assert(offsetof(OPCITEMATTRIBUTES, szAccessPath) == 0);
static_assert(offsetof(OPCITEMATTRIBUTES, szItemID) == at(4, 8));
static_assert(offsetof(OPCITEMATTRIBUTES, bActive) == at(8, 16));
static_assert(offsetof(OPCITEMATTRIBUTES, hClient) == at(12, 20));
static_assert(offsetof(OPCITEMATTRIBUTES, hServer) == at(16, 24));
static_assert(offsetof(OPCITEMATTRIBUTES, dwAccessRights) == at(20, 28));
static_assert(offsetof(OPCITEMATTRIBUTES, dwBlobSize) == at(24, 32));
static_assert(offsetof(OPCITEMATTRIBUTES, pBlob) == at(28, 40));
static_assert(offsetof(OPCITEMATTRIBUTES, vtRequestedDataType) == at(32, 48));
static_assert(offsetof(OPCITEMATTRIBUTES, vtCanonicalDataType) == at(34, 50));
static_assert(offsetof(OPCITEMATTRIBUTES, dwEUType) == at(36, 52));
static_assert(offsetof(OPCITEMATTRIBUTES, vEUInfo) == at(40, 56));

static_assert(sized<OPCSERVERSTATUS>(48, 56, 4, 8));
static_assert(offsetof(OPCSERVERSTATUS, ftStartTime) == 0);
static_assert(offsetof(OPCSERVERSTATUS, ftCurrentTime) == 8);
static_assert(offsetof(OPCSERVERSTATUS, ftLastUpdateTime) == 16);
static_assert(offsetof(OPCSERVERSTATUS, dwServerState) == 24);
static_assert(offsetof(OPCSERVERSTATUS, dwGroupCount) == 28);
static_assert(offsetof(OPCSERVERSTATUS, dwBandWidth) == 32);
static_assert(offsetof(OPCSERVERSTATUS, wMajorVersion) == 36);
static_assert(offsetof(OPCSERVERSTATUS, wMinorVersion) == 38);
static_assert(offsetof(OPCSERVERSTATUS, wBuildNumber) == 40);
static_assert(offsetof(OPCSERVERSTATUS, wReserved) == 42);
static_assert(offsetof(OPCSERVERSTATUS, szVendorInfo) == at(44, 48));

static_assert(sized<OPCEVENTSERVERSTATUS>(40, 48, 4, 8));
static_assert(offsetof(OPCEVENTSERVERSTATUS, ftStartTime) == 0);
static_assert(offsetof(OPCEVENTSERVERSTATUS, ftCurrentTime) == 8);
static_assert(offsetof(OPCEVENTSERVERSTATUS, ftLastUpdateTime) == 16);
static_assert(offsetof(OPCEVENTSERVERSTATUS, dwServerState) == 24);
static_assert(offsetof(OPCEVENTSERVERSTATUS, wMajorVersion) == 28);
static_assert(offsetof(OPCEVENTSERVERSTATUS, wMinorVersion) == 30);
static_assert(offsetof(OPCEVENTSERVERSTATUS, wBuildNumber) == 32);
static_assert(offsetof(OPCEVENTSERVERSTATUS, wReserved) == 34);
static_assert(offsetof(OPCEVENTSERVERSTATUS, szVendorInfo) == at(36, 40));

static_assert(sized<ONEVENTSTRUCT>(72, 104, 4, 8));
static_assert(offsetof(ONEVENTSTRUCT, wChangeMask) == 0);
static_assert(offsetof(ONEVENTSTRUCT, wNewState) == 2);
static_assert(offsetof(ONEVENTSTRUCT, szSource) == at(4, 8));
static_assert(offsetof(ONEVENTSTRUCT, ftTime) == at(8, 16));
static_assert(offsetof(ONEVENTSTRUCT, szMessage) == at(16, 24));
static_assert(offsetof(ONEVENTSTRUCT, dwEventType) == at(20, 32));
static_assert(offsetof(ONEVENTSTRUCT, dwEventCategory) == at(24, 36));
static_assert(offsetof(ONEVENTSTRUCT, dwSeverity) == at(28, 40));
static_assert(offsetof(ONEVENTSTRUCT, szConditionName) == at(32, 48));
static_assert(offsetof(ONEVENTSTRUCT, szSubconditionName) == at(36, 56));
static_assert(offsetof(ONEVENTSTRUCT, wQuality) == at(40, 64));
static_assert(offsetof(ONEVENTSTRUCT, wReserved) == at(42, 66));
static_assert(offsetof(ONEVENTSTRUCT, bAckRequired) == at(44, 68));
static_assert(offsetof(ONEVENTSTRUCT, ftActiveTime) == at(48, 72));
static_assert(offsetof(ONEVENTSTRUCT, dwCookie) == at(56, 80));
static_assert(offsetof(ONEVENTSTRUCT, dwNumEventAttrs) == at(60, 84));
static_assert(offsetof(ONEVENTSTRUCT, pEventAttributes) == at(64, 88));
static_assert(offsetof(ONEVENTSTRUCT, szActorID) == at(68, 96));

// Only the size is published; with the field order it pins every offset.
static_assert(sized<OPCCONDITIONSTATE>(96, 160, 4, 8));

// The stream blocks hold no pointers: one layout for both bitnesses.
static_assert(sized<OPCGROUPHEADER>(20, 20, 4, 4));
static_assert(offsetof(OPCGROUPHEADER, dwSize) == 0);
static_assert(offsetof(OPCGROUPHEADER, dwItemCount) == 4);
static_assert(offsetof(OPCGROUPHEADER, hClientGroup) == 8);
static_assert(offsetof(OPCGROUPHEADER, dwTransactionID) == 12);
static_assert(offsetof(OPCGROUPHEADER, hrStatus) == 16);

static_assert(sized<OPCITEMHEADER1>(20, 20, 4, 4));
static_assert(offsetof(OPCITEMHEADER1, hClient) == 0);
static_assert(offsetof(OPCITEMHEADER1, dwValueOffset) == 4);
static_assert(offsetof(OPCITEMHEADER1, wQuality) == 8);
static_assert(offsetof(OPCITEMHEADER1, wReserved) == 10);
static_assert(offsetof(OPCITEMHEADER1, ftTimeStampItem) == 12);

static_assert(sized<OPCITEMHEADER2>(12, 12, 4, 4));
static_assert(offsetof(OPCITEMHEADER2, hClient) == 0);
static_assert(offsetof(OPCITEMHEADER2, dwValueOffset) == 4);
static_assert(offsetof(OPCITEMHEADER2, wQuality) == 8);
static_assert(offsetof(OPCITEMHEADER2, wReserved) == 10);

static_assert(sized<OPCGROUPHEADERWRITE>(16, 16, 4, 4));
static_assert(offsetof(OPCGROUPHEADERWRITE, dwItemCount) == 0);
static_assert(offsetof(OPCGROUPHEADERWRITE, hClientGroup) == 4);
static_assert(offsetof(OPCGROUPHEADERWRITE, dwTransactionID) == 8);
static_assert(offsetof(OPCGROUPHEADERWRITE, hrStatus) == 12);

static_assert(sized<OPCITEMHEADERWRITE>(8, 8, 4, 4));
static_assert(offsetof(OPCITEMHEADERWRITE, hClient) == 0);
static_assert(offsetof(OPCITEMHEADERWRITE, dwError) == 4);

// Data Access 3.0.
static_assert(sizeof(OPCBROWSEFILTER) == 4);

static_assert(sized<OPCITEMVQT>(40, 48, 8, 8));
static_assert(offsetof(OPCITEMVQT, bQualitySpecified) == at(16, 24));
static_assert(offsetof(OPCITEMVQT, wQuality) == at(20, 28));
static_assert(offsetof(OPCITEMVQT, wReserved) == at(22, 30));
static_assert(offsetof(OPCITEMVQT, bTimeStampSpecified) == at(24, 32));
static_assert(offsetof(OPCITEMVQT, dwReserved) == at(28, 36));
static_assert(offsetof(OPCITEMVQT, ftTimeStamp) == at(32, 40));

static_assert(sized<OPCITEMPROPERTY>(40, 56, 8, 8));
static_assert(offsetof(OPCITEMPROPERTY, wReserved) == 2);
static_assert(offsetof(OPCITEMPROPERTY, dwPropertyID) == 4);
static_assert(offsetof(OPCITEMPROPERTY, szItemID) == 8);
static_assert(offsetof(OPCITEMPROPERTY, szDescription) == at(12, 16));
static_assert(offsetof(OPCITEMPROPERTY, vValue) == at(16, 24));
static_assert(offsetof(OPCITEMPROPERTY, hrErrorID) == at(32, 48));
static_assert(offsetof(OPCITEMPROPERTY, dwReserved) == at(36, 52));

static_assert(sized<OPCITEMPROPERTIES>(16, 24, 4, 8));
static_assert(offsetof(OPCITEMPROPERTIES, dwNumProperties) == 4);
static_assert(offsetof(OPCITEMPROPERTIES, pItemProperties) == 8);
static_assert(offsetof(OPCITEMPROPERTIES, dwReserved) == at(12, 16));

static_assert(sized<OPCBROWSEELEMENT>(32, 48, 4, 8));
static_assert(offsetof(OPCBROWSEELEMENT, szItemID) == at(4, 8));
static_assert(offsetof(OPCBROWSEELEMENT, dwFlagValue) == at(8, 16));
static_assert(offsetof(OPCBROWSEELEMENT, dwReserved) == at(12, 20));
static_assert(offsetof(OPCBROWSEELEMENT, ItemProperties) == at(16, 24));

// ---- Identifiers ---------------------------------------------------------------------------

// Reads the text form the published tables use, "39C13A4D-011E-11D0-9675-0020AFD8ADB3", so each
// constant is compared with a second transcription made from different digits. A malformed
// text does not compile.
consteval std::uint32_t hexField(std::string_view text, std::size_t first, std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        const char c = text.at(i);
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            throw "not an upper-case hexadecimal digit";
        value = value * 16 + digit;
    }
    return value;
}

consteval bool guidIs(const GUID& guid, std::string_view text)
{
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        throw "not a GUID text";
    if (guid.Data1 != hexField(text, 0, 8) || guid.Data2 != hexField(text, 9, 4) ||
        guid.Data3 != hexField(text, 14, 4))
        return false;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t first = i < 2 ? 19 + 2 * i : 24 + 2 * (i - 2);
        if (guid.Data4[i] != hexField(text, first, 2)) return false;
    }
    return true;
}

static_assert(guidIs(IID_IOPCServer, "39C13A4D-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCServerPublicGroups, "39C13A4E-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCBrowseServerAddressSpace, "39C13A4F-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCGroupStateMgt, "39C13A50-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCPublicGroupStateMgt, "39C13A51-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCSyncIO, "39C13A52-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCAsyncIO, "39C13A53-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCItemMgt, "39C13A54-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IEnumOPCItemAttributes, "39C13A55-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCDataCallback, "39C13A70-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCAsyncIO2, "39C13A71-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCItemProperties, "39C13A72-011E-11D0-9675-0020AFD8ADB3"));
static_assert(guidIs(IID_IOPCCommon, "F31DFDE2-07B6-11D2-B2D8-0060083BA1FB"));
static_assert(guidIs(IID_IOPCShutdown, "F31DFDE1-07B6-11D2-B2D8-0060083BA1FB"));
static_assert(guidIs(IID_IOPCServerList, "13486D50-4821-11D2-A494-3CB306C10000"));
static_assert(guidIs(IID_IOPCEnumGUID, "55C382C8-21C7-4E88-96C1-BECFB1E3F483"));
static_assert(guidIs(IID_IOPCServerList2, "9DD0B56C-AD9E-43EE-8305-487F3188BF7A"));
static_assert(guidIs(IID_IOPCEventServer, "65168851-5783-11D1-84A0-00608CB8A7E9"));
static_assert(guidIs(IID_IOPCEventSubscriptionMgt, "65168855-5783-11D1-84A0-00608CB8A7E9"));
static_assert(guidIs(IID_IOPCEventAreaBrowser, "65168857-5783-11D1-84A0-00608CB8A7E9"));
static_assert(guidIs(IID_IOPCEventSink, "6516885F-5783-11D1-84A0-00608CB8A7E9"));
static_assert(guidIs(IID_IOPCEventServer2, "71BBE88E-9564-4BCD-BCFC-71C558D94F2D"));
static_assert(guidIs(IID_IOPCEventSubscriptionMgt2, "94C955DC-3684-4CCB-AFAB-F898CE19AAC3"));
static_assert(guidIs(IID_IOPCItemDeadbandMgt, "5946DA93-8B39-4EC8-AB3D-AA73DF5BC86F"));
static_assert(guidIs(IID_IOPCItemSamplingMgt, "3E22D313-F08B-41A5-86C8-95E95CB49FFC"));
static_assert(guidIs(IID_IOPCBrowse, "39227004-A18F-4B57-8B0A-5235670F4468"));
static_assert(guidIs(IID_IOPCItemIO, "85C0B427-2893-4CBC-BD78-E5FC5146F08F"));
static_assert(guidIs(IID_IOPCSyncIO2, "730F5F0F-55B1-4C81-9E18-FF8A0904E1FA"));
static_assert(guidIs(IID_IOPCAsyncIO3, "0967B97B-36EF-423E-B6F8-6BFF1E40D39D"));
static_assert(guidIs(IID_IOPCGroupStateMgt2, "8E368666-D72E-4F78-87ED-647611C61C9F"));
static_assert(guidIs(CATID_OPCDAServer10, "63D5F430-CFE4-11D1-B2C8-0060083BA1FB"));
static_assert(guidIs(CATID_OPCDAServer20, "63D5F432-CFE4-11D1-B2C8-0060083BA1FB"));
static_assert(guidIs(CATID_OPCDAServer30, "CC603642-66D7-48F1-B69A-B625E73652D7"));
static_assert(guidIs(CATID_OPCAEServer10, "58E13251-AC87-11D1-84D5-00608CB8A7E9"));
static_assert(guidIs(CATID_XMLDAServer10, "3098EDA4-A006-48B2-A27F-247453959408"));
static_assert(guidIs(LIBID_OPCDA, "B28EEDB2-AC6F-11D1-84D5-00608CB8A7E9"));
static_assert(guidIs(LIBID_OPCCOMN, "B28EEDB1-AC6F-11D1-84D5-00608CB8A7E9"));
static_assert(guidIs(LIBID_OPC_AE, "65168844-5783-11D1-84A0-00608CB8A7E9"));
static_assert(guidIs(CLSID_OPCServerList, "13486D51-4821-11D2-A494-3CB306C10000"));

static_assert(std::string_view(OPC_CATEGORY_DESCRIPTION_DA10) ==
              "OPC Data Access Servers Version 1.0");
static_assert(std::string_view(OPC_CATEGORY_DESCRIPTION_DA20) ==
              "OPC Data Access Servers Version 2.0");
static_assert(std::string_view(OPC_CATEGORY_DESCRIPTION_DA30) ==
              "OPC Data Access Servers Version 3.0");
static_assert(std::string_view(OPC_CATEGORY_DESCRIPTION_AE10) ==
              "OPC Alarm & Event Server Version 1.0");

// ---- Enumerations and constants ------------------------------------------------------------

static_assert(OPC_DS_CACHE == 1 && OPC_DS_DEVICE == 2);
static_assert(OPC_BRANCH == 1 && OPC_LEAF == 2 && OPC_FLAT == 3);
static_assert(OPC_NS_HIERARCHIAL == 1 && OPC_NS_FLAT == 2);
static_assert(OPC_BROWSE_UP == 1 && OPC_BROWSE_DOWN == 2 && OPC_BROWSE_TO == 3);
static_assert(OPC_NOENUM == 0 && OPC_ANALOG == 1 && OPC_ENUMERATED == 2);
static_assert(OPC_STATUS_RUNNING == 1 && OPC_STATUS_FAILED == 2 && OPC_STATUS_NOCONFIG == 3 &&
              OPC_STATUS_SUSPENDED == 4 && OPC_STATUS_TEST == 5 && OPC_STATUS_COMM_FAULT == 6);
static_assert(OPC_ENUM_PRIVATE_CONNECTIONS == 1 && OPC_ENUM_PUBLIC_CONNECTIONS == 2 &&
              OPC_ENUM_ALL_CONNECTIONS == 3 && OPC_ENUM_PRIVATE == 4 && OPC_ENUM_PUBLIC == 5 &&
              OPC_ENUM_ALL == 6);
static_assert(OPC_READABLE == 1 && OPC_WRITEABLE == 2);
static_assert(OPC_BROWSE_FILTER_ALL == 1 && OPC_BROWSE_FILTER_BRANCHES == 2 &&
              OPC_BROWSE_FILTER_ITEMS == 3);
static_assert(OPC_BROWSE_HASCHILDREN == 1 && OPC_BROWSE_ISITEM == 2);
static_assert(OPCAE_BROWSE_UP == 1 && OPCAE_BROWSE_DOWN == 2 && OPCAE_BROWSE_TO == 3);
static_assert(OPC_AREA == 1 && OPC_SOURCE == 2);
static_assert(OPCAE_STATUS_RUNNING == 1 && OPCAE_STATUS_FAILED == 2 && OPCAE_STATUS_NOCONFIG == 3 &&
              OPCAE_STATUS_SUSPENDED == 4 && OPCAE_STATUS_TEST == 5 &&
              OPCAE_STATUS_COMM_FAULT == 6);

static_assert(OPC_QUALITY_MASK == 0xC0 && OPC_STATUS_MASK == 0xFC && OPC_LIMIT_MASK == 0x03);
static_assert(OPC_QUALITY_BAD == 0x00 && OPC_QUALITY_UNCERTAIN == 0x40 && OPC_QUALITY_GOOD == 0xC0);
static_assert(OPC_QUALITY_CONFIG_ERROR == 0x04 && OPC_QUALITY_NOT_CONNECTED == 0x08 &&
              OPC_QUALITY_DEVICE_FAILURE == 0x0C && OPC_QUALITY_SENSOR_FAILURE == 0x10 &&
              OPC_QUALITY_LAST_KNOWN == 0x14 && OPC_QUALITY_COMM_FAILURE == 0x18 &&
              OPC_QUALITY_OUT_OF_SERVICE == 0x1C && OPC_QUALITY_WAITING_FOR_INITIAL_DATA == 0x20);
static_assert(OPC_QUALITY_LAST_USABLE == 0x44 && OPC_QUALITY_SENSOR_CAL == 0x50 &&
              OPC_QUALITY_EGU_EXCEEDED == 0x54 && OPC_QUALITY_SUB_NORMAL == 0x58);
static_assert(OPC_QUALITY_LOCAL_OVERRIDE == 0xD8);
static_assert(OPC_LIMIT_OK == 0 && OPC_LIMIT_LOW == 1 && OPC_LIMIT_HIGH == 2 &&
              OPC_LIMIT_CONST == 3);

static_assert(OPC_CONDITION_ENABLED == 0x1 && OPC_CONDITION_ACTIVE == 0x2 &&
              OPC_CONDITION_ACKED == 0x4);
static_assert(OPC_CHANGE_ACTIVE_STATE == 0x01 && OPC_CHANGE_ACK_STATE == 0x02 &&
              OPC_CHANGE_ENABLE_STATE == 0x04 && OPC_CHANGE_QUALITY == 0x08 &&
              OPC_CHANGE_SEVERITY == 0x10 && OPC_CHANGE_SUBCONDITION == 0x20 &&
              OPC_CHANGE_MESSAGE == 0x40 && OPC_CHANGE_ATTRIBUTE == 0x80);
static_assert(OPC_SIMPLE_EVENT == 1 && OPC_TRACKING_EVENT == 2 && OPC_CONDITION_EVENT == 4 &&
              OPC_ALL_EVENTS == 7);
static_assert(OPC_FILTER_BY_EVENT == 0x01 && OPC_FILTER_BY_CATEGORY == 0x02 &&
              OPC_FILTER_BY_SEVERITY == 0x04 && OPC_FILTER_BY_AREA == 0x08 &&
              OPC_FILTER_BY_SOURCE == 0x10);

static_assert(OPC_PROPERTY_DATATYPE == 1 && OPC_PROPERTY_VALUE == 2 && OPC_PROPERTY_QUALITY == 3 &&
              OPC_PROPERTY_TIMESTAMP == 4 && OPC_PROPERTY_ACCESS_RIGHTS == 5 &&
              OPC_PROPERTY_SCAN_RATE == 6 && OPC_PROPERTY_EU_TYPE == 7 &&
              OPC_PROPERTY_EU_INFO == 8);
static_assert(OPC_PROPERTY_EU_UNITS == 100 && OPC_PROPERTY_DESCRIPTION == 101 &&
              OPC_PROPERTY_HIGH_EU == 102 && OPC_PROPERTY_LOW_EU == 103 &&
              OPC_PROPERTY_HIGH_IR == 104 && OPC_PROPERTY_LOW_IR == 105 &&
              OPC_PROPERTY_CLOSE_LABEL == 106 && OPC_PROPERTY_OPEN_LABEL == 107 &&
              OPC_PROPERTY_TIMEZONE == 108);
static_assert(OPC_PROP_CDT == 1 && OPC_PROP_SCANRATE == 6 && OPC_PROP_UNIT == 100 &&
              OPC_PROP_TIMEZONE == 108);

static_assert(std::string_view(OPCSTMFORMATDATA) == "OPCSTMFORMATDATA");
static_assert(std::string_view(OPCSTMFORMATDATATIME) == "OPCSTMFORMATDATATIME");
static_assert(std::string_view(OPCSTMFORMATWRITECOMPLETE) == "OPCSTMFORMATWRITECOMPLETE");

// ---- Result codes --------------------------------------------------------------------------

constexpr HRESULT code(std::uint32_t value)
{
    return static_cast<HRESULT>(value);
}

static_assert(OPC_E_INVALIDHANDLE == code(0xC0040001) && OPC_E_BADTYPE == code(0xC0040004) &&
              OPC_E_PUBLIC == code(0xC0040005) && OPC_E_BADRIGHTS == code(0xC0040006) &&
              OPC_E_UNKNOWNITEMID == code(0xC0040007) && OPC_E_INVALIDITEMID == code(0xC0040008) &&
              OPC_E_INVALIDFILTER == code(0xC0040009) && OPC_E_UNKNOWNPATH == code(0xC004000A) &&
              OPC_E_RANGE == code(0xC004000B) && OPC_E_DUPLICATENAME == code(0xC004000C) &&
              OPC_S_UNSUPPORTEDRATE == code(0x0004000D) && OPC_S_CLAMP == code(0x0004000E) &&
              OPC_S_INUSE == code(0x0004000F) && OPC_E_INVALIDCONFIGFILE == code(0xC0040010) &&
              OPC_E_NOTFOUND == code(0xC0040011) && OPC_E_INVALID_PID == code(0xC0040203));
static_assert(OPC_S_ALREADYACKED == code(0x00040200) &&
              OPC_S_INVALIDBUFFERTIME == code(0x00040201) &&
              OPC_S_INVALIDMAXSIZE == code(0x00040202) &&
              OPC_E_INVALIDBRANCHNAME == code(0xC0040203) &&
              OPC_E_INVALIDTIME == code(0xC0040204) && OPC_E_BUSY == code(0xC0040205) &&
              OPC_E_NOINFO == code(0xC0040206));
static_assert(OPC_E_DEADBANDNOTSET == code(0xC0040400) &&
              OPC_E_DEADBANDNOTSUPPORTED == code(0xC0040401) &&
              OPC_E_NOBUFFERING == code(0xC0040402) &&
              OPC_E_INVALIDCONTINUATIONPOINT == code(0xC0040403) &&
              OPC_S_DATAQUEUEOVERFLOW == code(0x00040404) && OPC_E_RATENOTSET == code(0xC0040405) &&
              OPC_E_NOTSUPPORTED == code(0xC0040406));

const HRESULT kOpcErrors[] = {
    OPC_E_INVALIDHANDLE,
    OPC_E_BADTYPE,
    OPC_E_PUBLIC,
    OPC_E_BADRIGHTS,
    OPC_E_UNKNOWNITEMID,
    OPC_E_INVALIDITEMID,
    OPC_E_INVALIDFILTER,
    OPC_E_UNKNOWNPATH,
    OPC_E_RANGE,
    OPC_E_DUPLICATENAME,
    OPC_E_INVALIDCONFIGFILE,
    OPC_E_NOTFOUND,
    OPC_E_INVALID_PID,
    OPC_E_INVALIDTIME,
    OPC_E_BUSY,
    OPC_E_NOINFO,
    OPC_E_DEADBANDNOTSET,
    OPC_E_DEADBANDNOTSUPPORTED,
    OPC_E_NOBUFFERING,
    OPC_E_INVALIDCONTINUATIONPOINT,
    OPC_E_RATENOTSET,
    OPC_E_NOTSUPPORTED,
};
const HRESULT kOpcSuccesses[] = {
    OPC_S_UNSUPPORTEDRATE,
    OPC_S_CLAMP,
    OPC_S_INUSE,
    OPC_S_ALREADYACKED,
    OPC_S_INVALIDBUFFERTIME,
    OPC_S_INVALIDMAXSIZE,
    OPC_S_DATAQUEUEOVERFLOW,
};

TEST(OpcResultCodes, ClassifyAsClientsTestThem)
{
    for (HRESULT hr : kOpcErrors) {
        SCOPED_TRACE(testing::Message() << std::hex << static_cast<std::uint32_t>(hr));
        EXPECT_TRUE(FAILED(hr));
        EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_ITF);
        EXPECT_EQ(static_cast<std::uint32_t>(hr) & 0xC0000000u, 0xC0000000u);
    }
    for (HRESULT hr : kOpcSuccesses) {
        SCOPED_TRACE(testing::Message() << std::hex << static_cast<std::uint32_t>(hr));
        EXPECT_TRUE(SUCCEEDED(hr));
        EXPECT_NE(hr, S_OK);
        EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_ITF);
    }
    // The one shared value: an error-text table must not list it twice.
    EXPECT_EQ(OPC_E_INVALID_PID, OPC_E_INVALIDBRANCHNAME);
    for (std::size_t i = 0; i < std::size(kOpcErrors); ++i)
        for (std::size_t j = i + 1; j < std::size(kOpcErrors); ++j)
            EXPECT_NE(kOpcErrors[i], kOpcErrors[j]) << i << " " << j;
}

TEST(OpcQuality, SubstatusValuesBelongToTheirQuality)
{
    for (WORD bad :
         {OPC_QUALITY_CONFIG_ERROR, OPC_QUALITY_NOT_CONNECTED, OPC_QUALITY_DEVICE_FAILURE,
          OPC_QUALITY_SENSOR_FAILURE, OPC_QUALITY_LAST_KNOWN, OPC_QUALITY_COMM_FAILURE,
          OPC_QUALITY_OUT_OF_SERVICE, OPC_QUALITY_WAITING_FOR_INITIAL_DATA}) {
        EXPECT_EQ(bad & OPC_QUALITY_MASK, OPC_QUALITY_BAD) << bad;
        EXPECT_EQ(bad & OPC_LIMIT_MASK, OPC_LIMIT_OK) << bad;
    }
    for (WORD uncertain : {OPC_QUALITY_LAST_USABLE, OPC_QUALITY_SENSOR_CAL,
                           OPC_QUALITY_EGU_EXCEEDED, OPC_QUALITY_SUB_NORMAL})
        EXPECT_EQ(uncertain & OPC_QUALITY_MASK, OPC_QUALITY_UNCERTAIN) << uncertain;
    EXPECT_EQ(OPC_QUALITY_LOCAL_OVERRIDE & OPC_QUALITY_MASK, OPC_QUALITY_GOOD);
    // A good value at its high limit: the masks take it apart again.
    const WORD word = OPC_QUALITY_LOCAL_OVERRIDE | OPC_LIMIT_HIGH;
    EXPECT_EQ(word & OPC_STATUS_MASK, OPC_QUALITY_LOCAL_OVERRIDE);
    EXPECT_EQ(word & OPC_LIMIT_MASK, OPC_LIMIT_HIGH);
}

// ---- Identifiers at run time ---------------------------------------------------------------

TEST(OpcIdentifiers, HaveTheComByteImage)
{
    // Registry text, marshalled interface pointers and our IDL all rely on this byte order.
    const unsigned char server[16] = {0x4D, 0x3A, 0xC1, 0x39, 0x1E, 0x01, 0xD0, 0x11,
                                      0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3};
    EXPECT_EQ(std::memcmp(&IID_IOPCServer, server, 16), 0);
    const unsigned char da20[16] = {0x32, 0xF4, 0xD5, 0x63, 0xE4, 0xCF, 0xD1, 0x11,
                                    0xB2, 0xC8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB};
    EXPECT_EQ(std::memcmp(&CATID_OPCDAServer20, da20, 16), 0);
}

// ---- Vtable order --------------------------------------------------------------------------

// GCC and Clang follow the Itanium C++ ABI on Linux and MinGW alike: a pointer to a virtual
// member function holds one plus the byte offset of its vtable entry.
template <class Method> std::size_t slotOf(Method method)
{
    static_assert(sizeof(Method) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t raw[2];
    std::memcpy(raw, &method, sizeof raw);
    return static_cast<std::size_t>(raw[0] - 1) / sizeof(void*);
}

// The slots of the listed methods, in the order given.
template <class... Methods> std::vector<std::size_t> slotsOf(Methods... methods)
{
    return {slotOf(methods)...};
}

// A virtual added by a derived class takes the first slot after the interface's own.
template <class Interface> std::size_t vtableSize()
{
    struct Extended : Interface
    {
        virtual void firstSlotAfter() = 0;
    };
    return slotOf(&Extended::firstSlotAfter);
}

// Methods listed in published order must fill slots 3 up to the published vtable size.
template <class Interface, class... Methods>
void expectPublishedSlots(std::size_t publishedSize, Methods... methods)
{
    SCOPED_TRACE(typeid(Interface).name());
    std::vector<std::size_t> published(publishedSize - 3);
    std::iota(published.begin(), published.end(), std::size_t{3});
    EXPECT_EQ(slotsOf(methods...), published);
    EXPECT_EQ(vtableSize<Interface>(), publishedSize);
}

TEST(OpcVtables, UnknownTakesTheFirstThreeSlots)
{
    // The Windows headers overload QueryInterface with a typed template: name the virtual one.
    using QueryInterfaceMethod = HRESULT (STDMETHODCALLTYPE IUnknown::*)(REFIID, void**);
    const QueryInterfaceMethod queryInterface = &IUnknown::QueryInterface;
    EXPECT_EQ(slotsOf(queryInterface, &IUnknown::AddRef, &IUnknown::Release),
              (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(vtableSize<IUnknown>(), 3u);
}

TEST(OpcVtables, DataAccessMethodsSitInPublishedSlots)
{
    using Server = IOPCServer;
    expectPublishedSlots<Server>(9, &Server::AddGroup, &Server::GetErrorString,
                                 &Server::GetGroupByName, &Server::GetStatus, &Server::RemoveGroup,
                                 &Server::CreateGroupEnumerator);
    using PublicGroups = IOPCServerPublicGroups;
    expectPublishedSlots<PublicGroups>(5, &PublicGroups::GetPublicGroupByName,
                                       &PublicGroups::RemovePublicGroup);
    using Browse = IOPCBrowseServerAddressSpace;
    expectPublishedSlots<Browse>(8, &Browse::QueryOrganization, &Browse::ChangeBrowsePosition,
                                 &Browse::BrowseOPCItemIDs, &Browse::GetItemID,
                                 &Browse::BrowseAccessPaths);
    using GroupState = IOPCGroupStateMgt;
    expectPublishedSlots<GroupState>(7, &GroupState::GetState, &GroupState::SetState,
                                     &GroupState::SetName, &GroupState::CloneGroup);
    using PublicState = IOPCPublicGroupStateMgt;
    expectPublishedSlots<PublicState>(5, &PublicState::GetState, &PublicState::MoveToPublic);
    expectPublishedSlots<IOPCSyncIO>(5, &IOPCSyncIO::Read, &IOPCSyncIO::Write);
    using Async = IOPCAsyncIO;
    expectPublishedSlots<Async>(7, &Async::Read, &Async::Write, &Async::Refresh, &Async::Cancel);
    using Items = IOPCItemMgt;
    expectPublishedSlots<Items>(10, &Items::AddItems, &Items::ValidateItems, &Items::RemoveItems,
                                &Items::SetActiveState, &Items::SetClientHandles,
                                &Items::SetDatatypes, &Items::CreateEnumerator);
    using Attributes = IEnumOPCItemAttributes;
    expectPublishedSlots<Attributes>(7, &Attributes::Next, &Attributes::Skip, &Attributes::Reset,
                                     &Attributes::Clone);
    using Callback = IOPCDataCallback;
    expectPublishedSlots<Callback>(7, &Callback::OnDataChange, &Callback::OnReadComplete,
                                   &Callback::OnWriteComplete, &Callback::OnCancelComplete);
    using Async2 = IOPCAsyncIO2;
    expectPublishedSlots<Async2>(9, &Async2::Read, &Async2::Write, &Async2::Refresh2,
                                 &Async2::Cancel2, &Async2::SetEnable, &Async2::GetEnable);
    using Properties = IOPCItemProperties;
    expectPublishedSlots<Properties>(6, &Properties::QueryAvailableProperties,
                                     &Properties::GetItemProperties, &Properties::LookupItemIDs);
}

TEST(OpcVtables, DataAccess3MethodsSitInPublishedSlots)
{
    using Deadband = IOPCItemDeadbandMgt;
    expectPublishedSlots<Deadband>(6, &Deadband::SetItemDeadband, &Deadband::GetItemDeadband,
                                   &Deadband::ClearItemDeadband);
    using Sampling = IOPCItemSamplingMgt;
    expectPublishedSlots<Sampling>(8, &Sampling::SetItemSamplingRate,
                                   &Sampling::GetItemSamplingRate, &Sampling::ClearItemSamplingRate,
                                   &Sampling::SetItemBufferEnable, &Sampling::GetItemBufferEnable);
    expectPublishedSlots<IOPCBrowse>(5, &IOPCBrowse::GetProperties, &IOPCBrowse::Browse);
    expectPublishedSlots<IOPCItemIO>(5, &IOPCItemIO::Read, &IOPCItemIO::WriteVQT);

    // The extensions continue after their base's slots.
    using Sync2 = IOPCSyncIO2;
    EXPECT_EQ(slotsOf(&Sync2::ReadMaxAge, &Sync2::WriteVQT), (std::vector<std::size_t>{5, 6}));
    EXPECT_EQ(vtableSize<Sync2>(), 7u);
    using Async3 = IOPCAsyncIO3;
    EXPECT_EQ(slotsOf(&Async3::ReadMaxAge, &Async3::WriteVQT, &Async3::RefreshMaxAge),
              (std::vector<std::size_t>{9, 10, 11}));
    EXPECT_EQ(vtableSize<Async3>(), 12u);
    using State2 = IOPCGroupStateMgt2;
    EXPECT_EQ(slotsOf(&State2::SetKeepAlive, &State2::GetKeepAlive),
              (std::vector<std::size_t>{7, 8}));
    EXPECT_EQ(vtableSize<State2>(), 9u);
}

TEST(OpcVtables, CommonMethodsSitInPublishedSlots)
{
    using Common = IOPCCommon;
    expectPublishedSlots<Common>(8, &Common::SetLocaleID, &Common::GetLocaleID,
                                 &Common::QueryAvailableLocaleIDs, &Common::GetErrorString,
                                 &Common::SetClientName);
    expectPublishedSlots<IOPCShutdown>(4, &IOPCShutdown::ShutdownRequest);
    using List = IOPCServerList;
    expectPublishedSlots<List>(6, &List::EnumClassesOfCategories, &List::GetClassDetails,
                               &List::CLSIDFromProgID);
    using List2 = IOPCServerList2;
    expectPublishedSlots<List2>(6, &List2::EnumClassesOfCategories, &List2::GetClassDetails,
                                &List2::CLSIDFromProgID);
    using Guids = IOPCEnumGUID;
    expectPublishedSlots<Guids>(7, &Guids::Next, &Guids::Skip, &Guids::Reset, &Guids::Clone);
}

TEST(OpcVtables, AlarmsAndEventsMethodsSitInPublishedSlots)
{
    using Server = IOPCEventServer;
    expectPublishedSlots<Server>(19, &Server::GetStatus, &Server::CreateEventSubscription,
                                 &Server::QueryAvailableFilters, &Server::QueryEventCategories,
                                 &Server::QueryConditionNames, &Server::QuerySubConditionNames,
                                 &Server::QuerySourceConditions, &Server::QueryEventAttributes,
                                 &Server::TranslateToItemIDs, &Server::GetConditionState,
                                 &Server::EnableConditionByArea, &Server::EnableConditionBySource,
                                 &Server::DisableConditionByArea, &Server::DisableConditionBySource,
                                 &Server::AckCondition, &Server::CreateAreaBrowser);
    using Subscription = IOPCEventSubscriptionMgt;
    expectPublishedSlots<Subscription>(11, &Subscription::SetFilter, &Subscription::GetFilter,
                                       &Subscription::SelectReturnedAttributes,
                                       &Subscription::GetReturnedAttributes, &Subscription::Refresh,
                                       &Subscription::CancelRefresh, &Subscription::GetState,
                                       &Subscription::SetState);
    using Areas = IOPCEventAreaBrowser;
    expectPublishedSlots<Areas>(7, &Areas::ChangeBrowsePosition, &Areas::BrowseOPCAreas,
                                &Areas::GetQualifiedAreaName, &Areas::GetQualifiedSourceName);
    expectPublishedSlots<IOPCEventSink>(4, &IOPCEventSink::OnEvent);

    // The 1.10 extensions continue after the inherited slots.
    using Server2 = IOPCEventServer2;
    EXPECT_EQ(slotsOf(&Server2::EnableConditionByArea2, &Server2::EnableConditionBySource2,
                      &Server2::DisableConditionByArea2, &Server2::DisableConditionBySource2,
                      &Server2::GetEnableStateByArea, &Server2::GetEnableStateBySource),
              (std::vector<std::size_t>{19, 20, 21, 22, 23, 24}));
    EXPECT_EQ(vtableSize<Server2>(), 25u);
    using Subscription2 = IOPCEventSubscriptionMgt2;
    EXPECT_EQ(slotsOf(&Subscription2::SetKeepAlive, &Subscription2::GetKeepAlive),
              (std::vector<std::size_t>{11, 12}));
    EXPECT_EQ(vtableSize<Subscription2>(), 13u);
}

// ---- Calls through the raw vtable ----------------------------------------------------------

// A client's data callback as a server's proxy reaches it: a table of plain function pointers
// whose first argument is the object.
class RecordingDataCallback : public IOPCDataCallback
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IOPCDataCallback))
            return E_NOINTERFACE;
        *ppv = static_cast<IOPCDataCallback*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE OnDataChange(DWORD transid, OPCHANDLE group, HRESULT, HRESULT,
                                           DWORD count, OPCHANDLE*, VARIANT*, WORD*, FILETIME*,
                                           HRESULT*) override
    {
        return record("OnDataChange", transid, group, count);
    }
    HRESULT STDMETHODCALLTYPE OnReadComplete(DWORD transid, OPCHANDLE group, HRESULT, HRESULT,
                                             DWORD count, OPCHANDLE*, VARIANT*, WORD*, FILETIME*,
                                             HRESULT*) override
    {
        return record("OnReadComplete", transid, group, count);
    }
    HRESULT STDMETHODCALLTYPE OnWriteComplete(DWORD transid, OPCHANDLE group, HRESULT, DWORD count,
                                              OPCHANDLE*, HRESULT*) override
    {
        return record("OnWriteComplete", transid, group, count);
    }
    HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD transid, OPCHANDLE group) override
    {
        return record("OnCancelComplete", transid, group, 0);
    }

    std::string calls;

private:
    HRESULT record(const char* method, DWORD transid, OPCHANDLE group, DWORD count)
    {
        calls += std::string(method) + "(" + std::to_string(transid) + "," + std::to_string(group) +
                 "," + std::to_string(count) + ") ";
        return S_OK;
    }
};

template <class Function> Function vtableEntry(IUnknown* object, std::size_t slot)
{
    void** vtable = *reinterpret_cast<void***>(object);
    return reinterpret_cast<Function>(vtable[slot]);
}

TEST(OpcVtables, CallbackReachedThroughPublishedSlotsAndIdentifiers)
{
    RecordingDataCallback sink;
    IUnknown* unknown = &sink;
    void* found = nullptr;
    ASSERT_EQ(unknown->QueryInterface(IID_IOPCDataCallback, &found), S_OK);
    EXPECT_EQ(unknown->QueryInterface(IID_IOPCShutdown, &found), E_NOINTERFACE);

    using Change = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD,
                                               OPCHANDLE*, VARIANT*, WORD*, FILETIME*, HRESULT*);
    using Write = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, DWORD, OPCHANDLE, HRESULT, DWORD,
                                              OPCHANDLE*, HRESULT*);
    using Cancel = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, DWORD, OPCHANDLE);
    EXPECT_EQ(vtableEntry<Change>(unknown, 3)(unknown, 11, 7, S_OK, S_OK, 2, nullptr, nullptr,
                                              nullptr, nullptr, nullptr),
              S_OK);
    vtableEntry<Change>(unknown, 4)(unknown, 12, 7, S_OK, S_OK, 1, nullptr, nullptr, nullptr,
                                    nullptr, nullptr);
    vtableEntry<Write>(unknown, 5)(unknown, 13, 8, S_FALSE, 3, nullptr, nullptr);
    vtableEntry<Cancel>(unknown, 6)(unknown, 14, 9);
    EXPECT_EQ(sink.calls, "OnDataChange(11,7,2) OnReadComplete(12,7,1) OnWriteComplete(13,8,3) "
                          "OnCancelComplete(14,9,0) ");
}

} // namespace
