/* configurator_ids.h: control IDs of ConfiguratorWindow, and the name of the status-log variable, shared by
 * the program and its tests. Plain #defines so that a resource script can include this header too. */
#ifndef CONFIGURATOR_CONFIGURATOR_IDS_H
#define CONFIGURATOR_CONFIGURATOR_IDS_H

#define IDC_CONFIGURATOR_LABEL1 101
#define IDC_CONFIGURATOR_CURRENT_SETTING 102
#define IDC_CONFIGURATOR_COMMAND1 103
#define IDC_CONFIGURATOR_LSTATUS 104
#define IDC_CONFIGURATOR_LABEL2 105
#define IDC_CONFIGURATOR_COMMAND2 106
#define IDC_CONFIGURATOR_COMMAND3 107
#define IDC_CONFIGURATOR_COMMAND4 108
#define IDC_CONFIGURATOR_MANUAL_SECONDS 109

/* Test hook: when this environment variable names a file, every status line text is appended to it, one line
 * each, ended by CR LF. Unset (always, for users), nothing is written. */
#define CONFIGURATOR_STATUS_LOG_VARIABLE "VANTREL_STATUS_LOG"

#endif
