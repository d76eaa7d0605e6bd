#include "netparams/NetworkDataDialog.h"

#include "common/DialogCommand.h"
#include "res/resource.h"

#include <iphlpapi.h>

namespace {

const char *NodeTypeText(UINT nodeType)
{
    switch (nodeType) {
    case BROADCAST_NODETYPE:
        return "Broadcast node.";
    case PEER_TO_PEER_NODETYPE:
        return "Peer to Peer node.";
    case MIXED_NODETYPE:
        return "Mixed node.";
    case HYBRID_NODETYPE:
        return "Hybrid node.";
    default:
        return "Unknown node.";
    }
}

const char *FlagText(UINT flag, const char *enabledText)
{
    return flag != 0 ? enabledText : "disabled";
}

void AddDnsServers(HWND dialog, const IP_ADDR_STRING *server)
{
    // The first entry is part of the record itself, so it is listed even when no server
    // is configured: the list then holds one empty line.
    for (; server != NULL; server = server->Next)
        SendDlgItemMessageA(dialog, IDC_NET_DNS_SERVERS, LB_ADDSTRING, 0, (LPARAM)server->IpAddress.String);
}

// The platform hands these texts over in the ANSI code page, so they go to the dialog
// narrow, untouched.
void ShowNetworkParams(HWND dialog, const FIXED_INFO *info)
{
    SetDlgItemTextA(dialog, IDC_NET_HOST_NAME, info->HostName);
    SetDlgItemTextA(dialog, IDC_NET_DOMAIN_NAME, info->DomainName);
    AddDnsServers(dialog, &info->DnsServerList);
    SetDlgItemTextA(dialog, IDC_NET_NODE_TYPE, NodeTypeText(info->NodeType));
    SetDlgItemTextA(dialog, IDC_NET_SCOPE_ID, info->ScopeId);
    SetDlgItemTextA(dialog, IDC_NET_ROUTING, FlagText(info->EnableRouting, "enabled."));
    SetDlgItemTextA(dialog, IDC_NET_ARP_PROXY, FlagText(info->EnableProxy, "enabled"));
    SetDlgItemTextA(dialog, IDC_NET_DNS_ENABLED, FlagText(info->EnableDns, "enabled"));
}

} // namespace

int FillNetworkData(HWND dialog)
{
    ULONG size = 0;
    GetNetworkParams(NULL, &size);

    HANDLE heap = GetProcessHeap();
    FIXED_INFO *info = (FIXED_INFO *)HeapAlloc(heap, HEAP_ZERO_MEMORY, size);
    if (info == NULL)
        return 0;
    if (GetNetworkParams(info, &size) == ERROR_SUCCESS)
        ShowNetworkParams(dialog, info);
    HeapFree(heap, 0, info);
    return 1;
}

INT_PTR CALLBACK NetworkDataDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        FillNetworkData(dialog);
        return TRUE;
    case WM_COMMAND:
        return EndDialogOnOkOrCancel(dialog, wParam);
    default:
        return FALSE;
    }
}
