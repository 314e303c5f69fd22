// Resource ids of the module, shared by Kolo.rc and the C++ code. The board's bitmaps keep
// the ids of resources/ResourceIds.h.
#pragma once

#define IDS_KOLO 1                 // "Kolo Control", the control's user type name
#define IDS_KOLO_PPG 2             // "Kolo Property Page"
#define IDS_KOLO_PPG_CAPTION 200   // "General"

#define IDB_KOLO 1                 // toolbox bitmap, 16 x 15
#define IDI_ABOUTDLL 1             // module icon, 32 x 32 and 16 x 16
#define IDD_ABOUTBOX_KOLO 1
#define IDD_PROPPAGE_KOLO 200
#define IDC_BRUSH 201              // paint-brush cursor
#define IDC_IMAGE_URL 1001         // the property page's ImageURL edit box
