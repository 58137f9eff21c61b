/* console_ids.h: control IDs of the link console window ZM_DDE. Plain #defines so that a resource script can
 * include this header too. */
#ifndef LINKMODULE_CONSOLE_IDS_H
#define LINKMODULE_CONSOLE_IDS_H

#define IDC_ZM_DDE_LABEL_COMM_MODE 1001
#define IDC_ZM_DDE_COMM_MODE 1002
#define IDC_ZM_DDE_LABEL_MODE_HINT 1003
#define IDC_ZM_DDE_LABEL_AVATAR_NAME 1004
#define IDC_ZM_DDE_AVATAR_NAME 1005
#define IDC_ZM_DDE_LABEL_TEXT_TO_SEND 1006
#define IDC_ZM_DDE_COMM_TEXT 1007
#define IDC_ZM_DDE_ERROR_CHECK 1008
#define IDC_ZM_DDE_REGISTER 1009
#define IDC_ZM_DDE_COMMUNICATE 1010
#define IDC_ZM_DDE_GET_ALL_TEXT 1011
#define IDC_ZM_DDE_UNREGISTER 1012
#define IDC_ZM_DDE_TEXT1 1013

#endif
