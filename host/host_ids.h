/* host_ids.h: control and menu command IDs of the HostWindow and the PlayerMaintenanceWindow. Plain #defines so
 * that a resource script can include this header too; the Wine tests and the game driver post them. */
#ifndef HOST_HOST_IDS_H
#define HOST_HOST_IDS_H

/* HostWindow controls. */
#define IDC_HOST_DUMMY 1100
#define IDC_HOST_COMMAND1 1101  /* "Read List" */
#define IDC_HOST_COMMAND4 1102  /* "Reg Countdown" */
#define IDC_HOST_COMMAND12 1103 /* "Pick a Player" */
#define IDC_HOST_PLAYERNAME 1104
#define IDC_HOST_COMMAND5 1105 /* "Pick Category" */
#define IDC_HOST_SELECTEDCATEGORY 1106
#define IDC_HOST_COMMAND7 1107 /* "GIVE CATEGORY" */
#define IDC_HOST_COMMAND6 1108 /* "Declare WINNER" */
#define IDC_HOST_COMMAND8 1109 /* "Declare LOSER" */
#define IDC_HOST_MACROFRAME 1110
#define IDC_HOST_MACROTITLE0 1120 /* MacroTitle(i) is IDC_HOST_MACROTITLE0 + i, i = 0..8 */
#define IDC_HOST_COMMAND14 1130   /* "Save", inside MacroFrame */
#define IDC_HOST_COMMAND19 1131   /* "Oops", inside MacroFrame */

/* HostWindow menu commands. */
#define IDM_MACS_WELCOMEMESSAGE 1200    /* "How To Play" */
#define IDM_MACS_MACROS1 1201           /* MACROS(k) is IDM_MACS_MACROS1 + k - 1, k = 1..9 */
#define IDM_MACS_SETUPMACS 1210         /* "Setup" */
#define IDM_ASKFORIT 1211               /* "Ask_For_$" */
#define IDM_GETIT 1212                  /* "Get_Players" */
#define IDM_RECOVER_PLAYERWINDOW 1213   /* "Player Maintenance" */
#define IDM_RECOVER_RECON 1214          /* "Reconnect to ZM" */
#define IDM_RECOVER_RESTOREPLAYERS 1215 /* "Restore Players" */
#define IDM_SEASON 1216                 /* "Season" */

/* PlayerMaintenanceWindow controls. */
#define IDC_MAINT_LABEL1 1301
#define IDC_MAINT_LIST1 1302
#define IDC_MAINT_COMMAND1 1303
#define IDC_MAINT_COMMAND2 1304
#define IDC_MAINT_LABEL3 1305
#define IDC_MAINT_LIST3 1306
#define IDC_MAINT_COMMAND6 1307
#define IDC_MAINT_COMMAND5 1308
#define IDC_MAINT_LABEL2 1309
#define IDC_MAINT_LIST2 1310
#define IDC_MAINT_COMMAND3 1311
#define IDC_MAINT_COMMAND4 1312

/* Season window controls. */
#define IDC_SEASON_LIST 1401
#define IDC_SEASON_ANNOUNCE 1402 /* "Announce Top 5" */
#define IDC_SEASON_SAVEPAGE 1403 /* "Save Page" */
#define IDC_SEASON_VOID 1404     /* "Void Last Round" */
#define IDC_SEASON_NEW 1405      /* "New Season" */
#define IDC_SEASON_SUMMARY 1406
#define IDC_SEASON_UNREAD 1407
#define IDC_SEASON_STATUS 1408
#define IDC_SEASON_HEADING0 1410 /* column heading k is IDC_SEASON_HEADING0 + k, k = 0..5 */

#endif
