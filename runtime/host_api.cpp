// The exported host API: thin wrappers over the runtime object.
#include "comkit/host_callbacks.h"
#include "comkit/host_text.h"
#include "runtime/vetrel_app.h"

using vetrel::clsidFromBytes;
using vetrel::cutText;
using vetrel::CVetrelApp;
using vetrel::textOf;

namespace {

constexpr WORD kRevision = 522;

} // namespace

extern "C" {

BOOL InitVetrel(CLSID clsid, DWORD rate)
{
    return CVetrelApp::instance().start(clsid, rate);
}

BOOL InitVetrelB(const BYTE* clsid, DWORD rate)
{
    return clsid && InitVetrel(clsidFromBytes(clsid), rate);
}

WORD VetrelRevision()
{
    return kRevision;
}

DWORD CreateTagA(const char* name, VARIANT value, WORD quality, BOOL writable)
{
    if (!name) return vetrel::kNoTag;
    return CVetrelApp::instance().addTag(name, value, quality, writable != FALSE);
}

BOOL RemoveTag(DWORD hTag)
{
    return CVetrelApp::instance().removeTag(hTag);
}

BOOL UpdateTag(DWORD hTag, VARIANT value, WORD quality)
{
    return CVetrelApp::instance().updateTagValue(hTag, value, quality, nullptr);
}

BOOL UpdateTagWithTimeStamp(DWORD hTag, VARIANT value, WORD quality, FILETIME timestamp)
{
    return CVetrelApp::instance().updateTagValue(hTag, value, quality, &timestamp);
}

BOOL UpdateTagByNameA(const char* name, VARIANT value, WORD quality)
{
    return name && CVetrelApp::instance().updateTagValueByName(name, value, quality);
}

BOOL ReadTag(DWORD hTag, VARIANT* value)
{
    return CVetrelApp::instance().readTagValue(hTag, value);
}

BOOL SetTagPropertiesA(DWORD hTag, const char* description, const char* euUnits)
{
    return CVetrelApp::instance().setTagTexts(hTag, textOf(description), textOf(euUnits));
}

BOOL SetItemLevelAlarm(DWORD hTag, int level, float limit, DWORD severity, BOOL enabled)
{
    return CVetrelApp::instance().setLevelLimit(hTag, level, {limit, enabled, severity});
}

BOOL GetItemLevelAlarm(DWORD hTag, int level, float* limit, DWORD* severity, BOOL* enabled)
{
    vetrel::LevelLimit found;
    if (!CVetrelApp::instance().getLevelLimit(hTag, level, found)) return FALSE;
    if (limit) *limit = found.limit;
    if (severity) *severity = found.severity;
    if (enabled) *enabled = found.enabled;
    return TRUE;
}

BOOL EnableEventMsgs(VetrelEventMsgCallback callback)
{
    vetrel::hostCallbacks().eventMsg = callback;
    return TRUE;
}

BOOL EnableNotification(VetrelWriteNotificationCallback callback)
{
    vetrel::hostCallbacks().writeNotification = callback;
    return TRUE;
}

BOOL EnableUnknownItemNotification(VetrelUnknownItemCallback callback)
{
    vetrel::hostCallbacks().unknownItem = callback;
    return TRUE;
}

BOOL EnableItemRemovalNotification(VetrelItemRemovalCallback callback)
{
    vetrel::hostCallbacks().itemRemoval = callback;
    return TRUE;
}

BOOL RefreshAllClients()
{
    CVetrelApp::instance().runScanTick(true);
    return TRUE;
}

BOOL ResetServerRate(DWORD rate)
{
    CVetrelApp::instance().resetServerRate(rate);
    return TRUE;
}

int NumbrClientConnections()
{
    return CVetrelApp::instance().serverCount();
}

int RequestDisconnect()
{
    return CVetrelApp::instance().requestDisconnect();
}

BOOL UserAEMessage(const char* message, DWORD severity)
{
    CVetrelApp::instance().broadcastUserMessage(textOf(message), severity);
    return TRUE;
}

BOOL SetVendorInfoA(const char* vendor)
{
    return CVetrelApp::instance().setVendorText(textOf(vendor));
}

} // extern "C"

DWORD CreateTag(std::string name, VARIANT value, WORD quality, BOOL writable)
{
    return CreateTagA(cutText(name, vetrel::kNameBuffer).c_str(), value, quality, writable);
}

BOOL UpdateTagByName(std::string name, VARIANT value, WORD quality)
{
    return UpdateTagByNameA(cutText(name, vetrel::kNameBuffer).c_str(), value, quality);
}

BOOL SetVendorInfo(std::string vendor)
{
    return SetVendorInfoA(cutText(vendor, vetrel::kLongTextBuffer).c_str());
}
