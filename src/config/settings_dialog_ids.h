#pragma once
// Identifiers of the settings dialogs (settings_dialogs.rc): shared by the resource script and the
// dialog procedures, so plain #defines only. Each dialog numbers its own controls; the same number
// may mean different controls in different dialogs.

// The settings dialog: one button per group of settings.
#define IDD_SETTINGS 147
#define IDC_OPEN_GENERAL 1001
#define IDC_OPEN_DISPLAY 1028
#define IDC_OPEN_MUSIC 1031
#define IDC_OPEN_AIRCRAFT 1032

// "General": terrain, view, clouds, trees, sound, sea level and colours.
#define IDD_GENERAL 162
#define IDC_TERRAIN 1042          // combo box: the scan of "tem\"
#define IDC_TERRAIN_QUALITY 1044  // trackbars
#define IDC_VIEW_ANGLE 1045
#define IDC_CLOUD_AMOUNT 1046
#define IDC_TREE_AMOUNT 1066
#define IDC_SOUND 1048            // check box
#define IDC_SKY_COLOUR 1058       // colour buttons, in the record's order
#define IDC_FOG1_COLOUR 1059
#define IDC_FOG2_COLOUR 1060
#define IDC_CLOUD_COLOUR 1061
#define IDC_LIGHT_COLOUR 1062
#define IDC_SEA_LEVEL 1112        // edit
// Statics that show a trackbar's value or a button's colour, numbered from their control + 100.
#define IDC_VALUE_OFFSET 100
#define IDC_SWATCH_OFFSET 100

// "Aircraft": the available and the chosen aircraft, trails.
#define IDD_AIRCRAFT 184
#define IDC_AVAILABLE 1083
#define IDC_ADDED 1084
#define IDC_ADD 1013
#define IDC_TRAIL 1050
#define IDC_TRAIL_LENGTH 1067

// The list buttons, shared by the aircraft and the music dialogs.
#define IDC_LIST_TOP 1088
#define IDC_LIST_UP 1089
#define IDC_LIST_DOWN 1090
#define IDC_LIST_BOTTOM 1091
#define IDC_LIST_REMOVE 1096
#define IDC_LIST_REMOVE_ALL 1097

// "Mp3 list": the music files and directories, how they are played.
#define IDD_MUSIC 185
#define IDC_SHOW_PLAY_BUTTONS 1000
#define IDC_MUSIC_OK 1034
#define IDC_PLAY_MODE 1041
#define IDC_PICTURE_SHOW 1045     // check box: the music section as a whole
#define IDC_MAXIMUM_FILES 1046    // edit
#define IDC_EDIT_DIRECTORIES 1047 // check boxes: which list the list buttons act on
#define IDC_EDIT_FILES 1048
#define IDC_FILES 1092
#define IDC_DIRECTORIES 1093
#define IDC_ADD_FILES 1095
#define IDC_RANDOMISE 1098
#define IDC_ADD_DIRECTORY 1099
