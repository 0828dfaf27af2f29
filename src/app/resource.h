#pragma once
// Identifiers of the program's resources (skyloom.rc): shared by the resource script and the code
// that loads them, so plain #defines only.

// The program's icon: the saver window class and Explorer show it.
#define IDI_SKYLOOM 101

// The screen saver's name as the system's screen saver settings list it (read from string 1 of
// a .scr by the system itself).
#define IDS_SAVER_NAME 1

// The "Display Settings" dialog and its controls.
#define IDD_DISPLAY_SETTINGS 200
#define IDC_ADAPTER_NAME 1001      // static: the display adapter's description
#define IDC_RENDERING_DESC 1002    // static: how this monitor is drawn (IDS_RENDERING_...)
#define IDC_DISABLE_HARDWARE 1003  // check box
#define IDC_RENDER_SCENE 1004      // radio: draw the scene on this monitor
#define IDC_LEAVE_BLACK 1005       // radio: leave this monitor black
#define IDC_MODE_LABEL 1006        // static: the mode combo box's label
#define IDC_MODE_LIST 1007         // combo box: "Automatic" and the full-screen modes
#define IDC_DISPLAY_HELP 1008      // push button: shows the IDS_HELP_... text for this adapter

// Error texts: string ids 2100 to 2112, listed with their codes in saver_error_list.inc.

// Help texts of the "Display Settings" dialog, chosen by what the monitor's adapter offers.
// Hardware (HAL) device: usable; present but unusable (none of its modes or vertex processing
// kinds is accepted: the adapter's third capability flag); absent; or disabled by the user's
// check box. Software (SW) device: usable, present but unusable, or absent. A usable HAL needs
// no software fallback, so it has one text whatever the software device's state.
#define IDS_HELP_HAL_OK 2200
#define IDS_HELP_HAL_UNUSABLE_SW_OK 2201
#define IDS_HELP_HAL_UNUSABLE_SW_UNUSABLE 2202
#define IDS_HELP_HAL_UNUSABLE_NO_SW 2203
#define IDS_HELP_NO_HAL_SW_OK 2204
#define IDS_HELP_NO_HAL_SW_UNUSABLE 2205
#define IDS_HELP_NO_HAL_NO_SW 2206
#define IDS_HELP_HAL_DISABLED_SW_OK 2207
#define IDS_HELP_HAL_DISABLED_SW_UNUSABLE 2208
#define IDS_HELP_HAL_DISABLED_NO_SW 2209

// The dialog's rendering description for the monitor's current choice.
#define IDS_RENDERING_HAL 2210   // drawn with the graphics hardware
#define IDS_RENDERING_SW 2211    // drawn in software
#define IDS_RENDERING_NONE 2212  // not drawn (left black, or no usable device)
