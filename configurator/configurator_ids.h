/* configurator_ids.h: control IDs of ConfiguratorWindow, shared by the program and its tests. Plain #defines so
 * that a resource script can include this header too. */
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

#endif
