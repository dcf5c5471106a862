// Identifiers of the settings window's dialog template and its controls, shared by the resource
// script and the code. A language library's template must use the same numbers.
#pragma once

#define IDD_SETTINGS 32200
#define IDC_LEVEL_SLIDER 32203
#define IDC_LEVEL_LABEL 32205
#define IDC_CENTRE_SLIDER 32212
#define IDC_BANDWIDTH_SLIDER 32213
#define IDC_CENTRE_EDIT 32214
#define IDC_RESPONSE_GRAPH 32215
#define IDC_BANDWIDTH_EDIT 32216
