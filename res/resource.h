// Resource numbers of Vantrel, grouped by kind. Shared by the resource script and the code.
#pragma once

// Icon groups
#define IDI_VANTREL            107
#define IDI_SMALL              108

// Icon images, shared by both groups (res/icons/icon.dir refers to them by these numbers)
#define IDI_IMAGE_256_8        1
#define IDI_IMAGE_48_8         2
#define IDI_IMAGE_32_8         3
#define IDI_IMAGE_16_8         4
#define IDI_IMAGE_256_32       5
#define IDI_IMAGE_64_32        6
#define IDI_IMAGE_48_32        7
#define IDI_IMAGE_32_32        8
#define IDI_IMAGE_16_32        9

// Bitmaps
#define IDB_BANNER             130

// Menus and accelerator tables
#define IDC_VANTREL            109

// Strings
#define IDS_APP_TITLE          103
#define IDS_WINDOW_CLASS       109

// Dialogs
#define IDD_ABOUTBOX           103
#define IDD_STATISTICS         129
#define IDD_NETWORKDATA        131

// Menu commands
#define IDM_ABOUT              104
#define IDM_EXIT               105
#define IDM_STATISTICS         32771
#define IDM_RELOAD             32772
#define IDM_NETWORKDATA        32773

// About box fields
#define IDC_ABOUT_URL          1000

// Statistics dialog fields: IPv4 IP
#define IDC_IP4_NUM_ADDR       1000
#define IDC_IP4_IN_RECEIVES    1001
#define IDC_IP4_OUT_REQUESTS   1002
#define IDC_IP4_DEFAULT_TTL    1003
#define IDC_IP4_NUM_IF         1005
// IPv4 TCP
#define IDC_TCP4_ACTIVE_OPENS  1004
#define IDC_TCP4_PASSIVE_OPENS 1006
#define IDC_TCP4_NUM_CONNS     1007
// IPv6 TCP
#define IDC_TCP6_ACTIVE_OPENS  1008
#define IDC_TCP6_PASSIVE_OPENS 1009
#define IDC_TCP6_NUM_CONNS     1010
// IPv6 IP
#define IDC_IP6_NUM_ADDR       1011
#define IDC_IP6_IN_RECEIVES    1012
#define IDC_IP6_OUT_REQUESTS   1013
#define IDC_IP6_DEFAULT_TTL    1014
#define IDC_IP6_NUM_IF         1015
// IPv4 UDP
#define IDC_UDP4_NUM_ADDRS     1016
#define IDC_UDP4_IN_DATAGRAMS  1017
#define IDC_UDP4_OUT_DATAGRAMS 1018
#define IDC_UDP4_NO_PORTS      1019
// IPv6 UDP
#define IDC_UDP6_NUM_ADDRS     1020
#define IDC_UDP6_IN_DATAGRAMS  1021
#define IDC_UDP6_OUT_DATAGRAMS 1022
#define IDC_UDP6_NO_PORTS      1023
// IPv4 ICMP
#define IDC_ICMP4_IN_MSGS      1024
#define IDC_ICMP4_IN_ERRORS    1025
#define IDC_ICMP4_OUT_MSGS     1026
#define IDC_ICMP4_OUT_ERRORS   1027
// IPv6 ICMP
#define IDC_ICMP6_IN_MSGS      1028
#define IDC_ICMP6_IN_ERRORS    1029
#define IDC_ICMP6_OUT_MSGS     1030
#define IDC_ICMP6_OUT_ERRORS   1031

// Network Data dialog fields
#define IDC_NET_HOST_NAME      1000
#define IDC_NET_DNS_SERVERS    1001
#define IDC_NET_DOMAIN_NAME    1002
#define IDC_NET_NODE_TYPE      1003
#define IDC_NET_SCOPE_ID       1004
#define IDC_NET_ROUTING        1005
#define IDC_NET_ARP_PROXY      1006
#define IDC_NET_DNS_ENABLED    1007

// Controls without an identifier
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
