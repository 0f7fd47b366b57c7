#pragma once

// Resource identifiers of the program.

// Document template, frame icon, accelerators and the command-bar images
// (nine 16 x 16 images side by side, in button order).
#define IDR_MAINFRAME 128

// Start-up and main menu background, 240 x 320.
#define IDB_SPLASH 134

// Activity strip frames, 240 x 15, shown in the order 153 .. 166, 152.
#define IDB_ACTIVITY_FIRST 152
#define IDB_ACTIVITY_LAST 166

// Spectrum screen: the plot grid, 240 x 180, with the 2400-2500 MHz axis and
// the channel numbers in its bottom strip (full band), or with the SURVEY bar
// there (one channel).
#define IDB_SPECTRUM_GRID 147
#define IDB_CHANNEL_GRID 194

// Spectrum screen trace buttons, 35 x 18, "_ON" when the trace's flag is set.
#define IDB_ENABLE1_OFF 141
#define IDB_ENABLE1_ON 142
#define IDB_ENABLE2_OFF 143
#define IDB_ENABLE2_ON 144
#define IDB_ENABLE3_OFF 145
#define IDB_ENABLE3_ON 146
#define IDB_HOLD1_OFF 148
#define IDB_HOLD1_ON 149
#define IDB_HOLD2_OFF 150
#define IDB_HOLD3_ON 172
#define IDB_HOLD2_ON 173
#define IDB_HOLD3_OFF 174
#define IDB_VISIBLE3_ON 175
#define IDB_VISIBLE1_OFF 176
#define IDB_VISIBLE1_ON 177
#define IDB_VISIBLE2_OFF 178
#define IDB_VISIBLE2_ON 179
#define IDB_VISIBLE3_OFF 180

// Spectrum screen marker buttons, 35 x 27.
#define IDB_MARKER_PEAK 168
#define IDB_MARKER_LEFT 169
#define IDB_MARKER_RIGHT 170
#define IDB_MARKER_CENTER 171

// MAC list background, 240 x 220: headings, ruled rows, channel strip, SURVEY bar.
#define IDB_MAC_LIST 181

// Utilization chart, 240 x 230: title, grid, channel numbers, scale buttons, legend.
#define IDB_UTILIZATION 167

// Backgrounds of the screens that follow the selected station, 240 x 254,
// shown at (0,14): each screen's charts, scales and labels, and the screen
// grid with the screen's own button in red.
#define IDB_MULTIPATH 183
#define IDB_DELAY_SPREAD 184
#define IDB_GEIGER 185
#define IDB_SINGLE_NOISE 187
#define IDB_WISP 190
#define IDB_CFR 191

// Commands of the command bar, in button order.
#define ID_GOTO_MAIN_MENU 32771
#define ID_RECORD_DATA 32772
#define ID_STOP_RECORDING 32773
#define ID_SNAPSHOT 32774
#define ID_ABOUT 32775
#define ID_OPTIONS 32776
#define ID_UP 32777
#define ID_DOWN 32778
#define ID_INCREMENT_MARKER 32779

// Form templates of the security and options screens, and the GPS screen's
// empty template.
#define IDD_SECURITY 123
#define IDD_OPTIONS 182
#define IDD_GPS_VIEW 189

// Controls of the security form.
#define IDC_ADD 1000
#define IDC_DEL 1001
#define IDC_CLEAR_AUTHORIZED 1002
#define IDC_CLEAR_UNAUTHORIZED 1003
#define IDC_GENERATE 1004
#define IDC_AUTH 1005
#define IDC_SAVE 1006
#define IDC_RETRIEVE 1007
#define IDC_MAC_ENTRY 1008
#define IDC_AUTHORIZED_LIST 1009
#define IDC_UNAUTHORIZED_LIST 1010

// Check boxes of the options form.
#define IDC_ENABLE_SECURITY 1011
#define IDC_VIEW_NON_AP 1012
#define IDC_ENABLE_HERON 1013
