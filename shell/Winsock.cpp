#include "shell/Winsock.h"

#include <winsock2.h>

#include "common/LogMessage.h"

int StartWinsock()
{
    WSADATA data;
    ZeroMemory(&data, sizeof(data));
    int result = WSAStartup(MAKEWORD(2, 2), &data);
    if (result != 0) {
        LogMessage("WSAStartup failed: %d\n", result);
        return 0;
    }
    return 1;
}
