// Resource and command identifiers of Moxlan.exe, shared by the resource script and the code.
#pragma once

// The main frame's menu, accelerators and document-template string.
#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDD_DEVICETAG 130
#define IDD_VERSION 131
#define IDS_APP_TITLE 57344

// Labels that no code looks at.
#define IDC_STATIC -1

// Controls of the variable dialog.
#define IDC_NAME 1000
#define IDC_VALUE 1001
#define IDC_CONSTANT 1002
#define IDC_RANDOM 1003
#define IDC_INCREMENTAL 1004
#define IDC_LOW 1005
#define IDC_HIGH 1006
#define IDC_STEP 1007
#define IDC_INTERVAL 1008
#define IDC_SINE 1009
#define IDC_SQUARE 1010
#define IDC_TRIANGLE 1011
#define IDC_SAWTOOTH 1012
// The step field's label: its step for incremental, its period for a wave.
#define IDC_STEP_LABEL 1013
// The variable dialog's level alarms, each a block of four in LoLo, Lo, Hi, HiHi order: the
// check box that turns it on, its limit and its severity.
#define IDC_ALARM_ON 1020
#define IDC_ALARM_LIMIT 1024
#define IDC_ALARM_SEVERITY 1028
// The hidden control where the information dialogs paint their bitmap.
#define IDC_BITMAP_PLACE 1018

// Commands of the Simulate and View menus.
#define ID_SIMULATE_NEW 32771
#define ID_SIMULATE_MODIFY 32772
#define ID_SIMULATE_DELETE 32773
#define ID_VIEW_CLEAR_EVENTS 32774
#define ID_VIEW_COPY_EVENTS 32777

// The Faults menu, under Edit and on a variable's context menu.
#define ID_FAULT_GOOD 32780
#define ID_FAULT_UNCERTAIN 32781
#define ID_FAULT_BAD 32782
#define ID_FAULT_FREEZE 32783
#define ID_FAULT_RESUME 32784

// The standard commands of a document program.
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_FILE_SAVE_AS 57604
#define ID_FILE_PRINT 57607
#define ID_FILE_MRU_FILE1 57616
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP_FINDER 57667
#define ID_CONTEXT_HELP 57669
#define ID_HELP 57670
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681

// Child window ids of the two panes, top and bottom.
#define IDW_PANE_TOP 59648
#define IDW_PANE_BOTTOM 59664
