#pragma once
// The Win32 windows' control identifiers, shared with the programs that
// drive the windows from outside (tests): a control is found by its
// identifier in its window, the window by its caption. Resource numbers of
// the module too (TavrinGui.rc).
//
// Plain macros, so the resource compiler reads this file as well.

// The configuration dialog (caption "Tavrin configuration").
#define IDC_Cname 1001
#define IDC_edtPrntFile 1002
#define IDC_sbtnPrntFile 1003
#define IDC_Ctype 1004
#define IDC_Cmode 1005
#define IDC_CBflip 1006
#define IDC_CbContact 1007
#define IDC_CBMagiCardAPI 1008
#define IDC_LPort_No 1009
#define IDC_Port_No 1010
#define IDC_chkReceive 1011
#define IDC_edtAnswerAdress 1012
#define IDC_Ldriver 1013
#define IDC_Edriver 1014
#define IDC_SBdriver 1015
#define IDC_PnMagicard 1016
#define IDC_radSensor1 1021  // .. IDC_radSensor1 + 3 for radSensor4
#define IDC_imgSensorTop 1031  // .. + 3 for imgSensorBottom
#define IDC_Gcommands 1040
#define IDC_Einsert 1041  // .. + 5 for Epause, in the table's order
#define IDC_CommandLabel 1051  // the key beside each field
#define IDC_CommandExplanation 1061  // the text after each field
#define IDC_Bsave 1070
#define IDC_Bexit 1071
#define IDC_Label 1080  // the row labels: Printer name, Tavrin file, Printer type, Mode

// The help window (caption "Info").
#define IDC_GroupBox1 1101
#define IDC_Memo1 1102

// Resources.
#define IDB_SENSOR1 201  // .. IDB_SENSOR1 + 3: the sensor pictures, top to bottom
