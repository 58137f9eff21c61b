// window_ids.h: control IDs of the "Pelmor 3.0" window, shared with tests that type into it.
#pragma once

#define IDC_MAIN_STATUS 101
#define IDC_MAIN_CHAT 102
#define IDC_MAIN_INPUT 103
