// A host that ends while a client's write is inside its write notification, which runs with the
// runtime lock held: the system stops the writing thread there, and the process must still end.
// Exits 0 once its end is under way; 2 when the write never reached the notification.
#include "fixtures/opc_client.h"
#include "vetrel/vetrel.h"

#include <thread>

namespace {

HANDLE entered = nullptr;

void holdForever(DWORD)
{
    SetEvent(entered);
    Sleep(INFINITE);
}

} // namespace

int main()
{
    using namespace vetrel::test;
    entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    startRuntime(50);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = 1;
    CreateTagA("Exit.Tag", value, OPC_QUALITY_GOOD, TRUE);
    EnableNotification(&holdForever);
    std::thread([value] {
        startRuntime(50);
        const ClientConnection client = ClientConnection::connect();
        const ClientGroup group = client.addGroup("writer");
        group.write({group.addItem({"Exit.Tag"})}, {vetrel::Variant(value)});
    }).detach();
    return WaitForSingleObject(entered, 10000) == WAIT_OBJECT_0 ? 0 : 2;
}
