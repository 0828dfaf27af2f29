// "readme.txt": the user guide behind F1. It is written as sections, each a function, so the
// guide reads in the order a new user meets the program.
#include "texts_content.h"
#include "texts_document.h"

namespace skyloom::assetgen {
namespace {

void introduction(TextDocument& d) {
  d.title("Skyloom 0.9 - User guide");
  d.paragraph(
      "Skyloom is a screen saver that flies you over an endless landscape. Formations of aircraft "
      "cruise over hills, valleys, coasts and forests under a sky with a moving sun, drifting "
      "clouds and haze; they leave smoke trails behind them and you hear their engines pass by. "
      "Left alone, Skyloom is a calm screen saver: the camera follows one aircraft after another "
      "and changes its view every few seconds.");
  d.paragraph(
      "Press F1 and the screen saver becomes a small flight program: you can steer the camera, "
      "fly an aircraft yourself, show the instruments, arrange the panels on the screen and play "
      "your own music with the built-in MP3 player. This guide explains all of it. It is shown in "
      "the help window; scroll it with the slider at its side and close it with F1 or with "
      "\"Close\" in its title row.");
}

void starting(TextDocument& d) {
  d.heading("Starting Skyloom");
  d.item("As screen saver",
         "Choose Skyloom in the screen saver settings of Windows (the installer can do this for "
         "you). It starts when the computer has been idle for the time you set there.");
  d.item("In a window",
         "The \"Skyloom\" shortcut in the Start menu and on the desktop runs Skyloom in a window "
         "of its own. Only Escape or closing the window ends it, so this is the best way to "
         "explore the scene, and the only way in which the panels take the mouse.");
  d.item("Settings",
         "The \"Skyloom Settings\" shortcut, or \"Settings\" in the screen saver settings of "
         "Windows, opens the settings dialog (see Settings below).");
  d.item("Preview",
         "The small preview picture in the screen saver settings of Windows shows a lighter "
         "scene (simpler terrain, fewer trees) so that it does not slow the dialog down.");
  d.blank();
  d.paragraph(
      "When the scene starts, the words \"F1 for help\" show for about fifteen seconds in the top "
      "left corner.");
  d.paragraph(
      "As a screen saver Skyloom ends as usual on any key, any mouse button or a few moves of "
      "the mouse - with one exception: F1 does not end it. F1 opens this help and turns the "
      "screen saver into an interactive run. From then on keys and the mouse belong to the "
      "scene, and only Escape (or switching to another program) ends it.");
}

void generalKeys(TextDocument& d) {
  d.heading("Keys of the flight scene");
  d.item("F1", "Show or hide this help.");
  d.item("Escape", "End Skyloom.");
  d.item("D", "Show or hide the instruments.");
  d.item("M", "Switch the scene between solid and wireframe drawing.");
  d.item("S", "Switch the engine sounds off and on.");
  d.item("Tab", "Follow the next aircraft.");
  d.item("+ or =", "More throttle for the followed aircraft (up to 100 percent).");
  d.item("- or _", "Less throttle for the followed aircraft (down to 0).");
  d.item("A", "Take the controls of the followed aircraft, or give them back to its pilot.");
  d.blank();
  d.paragraph(
      "The throttle is shown after \"P\" on the camera status line of the instruments. Aircraft "
      "flying in formation set their own throttle to keep their places; the keys matter most "
      "for an aircraft that you fly yourself.");
}

void flying(TextDocument& d) {
  d.heading("Flying an aircraft yourself");
  d.paragraph(
      "Press A to take the controls of the aircraft the camera follows. The arrow keys then "
      "work like a control stick:");
  d.item("Up arrow", "Push: the nose goes down.");
  d.item("Down arrow", "Pull: the nose comes up.");
  d.item("Left, Right", "Roll to the left or to the right.");
  d.blank();
  d.paragraph(
      "Hold a key longer for a stronger input; the aircraft answers more briskly the faster it "
      "flies. Let go and it stops turning but keeps its attitude. Mind your speed: below about "
      "a third of its top speed an aircraft stalls and sags. Press A again to hand the aircraft back to its pilot. "
      "When you press Tab while flying, you take the controls of the next aircraft with you.");
  d.paragraph(
      "While Shift or Ctrl is held, the arrow keys steer the camera instead of the aircraft.");
}

void cameras(TextDocument& d) {
  d.heading("Cameras");
  d.paragraph(
      "Skyloom has a free camera that you fly around the world, and seven camera modes that "
      "follow an aircraft. The number after \"C\" on the camera status line of the instruments "
      "is the current mode (0 is the free camera).");
  d.item("C", "Next follow mode: 1, 2, ... 7, then 1 again.");
  d.item("F", "Switch between the free camera and the last follow mode you used.");
  d.item("Home", "Follow modes: move the camera closer to the aircraft.");
  d.item("End", "Follow modes: move the camera farther away.");
  d.blank();
  d.paragraph("The follow modes look at the aircraft in different ways:");
  d.item("1 and 2", "From a fixed direction, whichever way the aircraft turns.");
  d.item("3", "From behind, level with the horizon, turning with the aircraft's heading.");
  d.item("4", "From behind, climbing and diving with the aircraft but not rolling.");
  d.item("5 and 6", "Fixed to the aircraft: the world rolls and turns around it.");
  d.item("7", "From a fixed place, turning to watch the aircraft fly past.");
  d.blank();
  d.paragraph(
      "Each mode remembers its own view and distance; C stores them when you leave a mode.");

  d.heading("The free camera");
  d.item("Up, Down", "Fly forward, fly back.");
  d.item("Left, Right", "Turn left, turn right.");
  d.item("Insert, Delete", "Slide to the left, slide to the right.");
  d.item("End, Home", "Rise, sink.");
  d.item("Page Up, Page Down", "Tilt the view up, tilt it down.");
  d.item("R, L", "Roll the view.");
  d.item("Ctrl (held)", "Slow and precise: moves and turns become very gentle.");
  d.item("Shift (held)", "Fast: much faster flight and quicker turns.");
  d.blank();
  d.paragraph(
      "The camera keeps moving for a moment after you let go of a key and then glides to a "
      "stop. It hovers at the height you leave it at, never goes below the ground and not "
      "higher than 30000 units. In the follow modes these keys steer the camera only while "
      "Shift or Ctrl is held; Home and End always change the distance.");
  d.paragraph(
      "After a minute without a key or the mouse, Skyloom takes over: every fifteen seconds it "
      "follows another aircraft with another mode and distance. Press any key or move the mouse "
      "and your own camera mode returns.");
  d.paragraph(
      "When an interactive run ends, the camera modes, their views and the panel layout are "
      "saved and come back the next time.");
}

void instruments(TextDocument& d) {
  d.heading("Instruments");
  d.paragraph("Press D to show or hide the instruments. They show what the camera does:");
  d.item("Altitude", "Height of the camera and, below it, the height above the ground.");
  d.item("Speed", "Speed of the camera with its Mach number.");
  d.item("Compass", "Heading of the camera; the scale tilts as the camera rolls.");
  d.item("Pitch", "How far the camera looks up or down.");
  d.item("C.. P..", "The camera mode and the throttle of the followed aircraft in percent.");
  d.item("f.. x.. y.. z..", "Frames per second and the camera's position.");
  d.blank();
  d.paragraph(
      "Click the altitude or speed tape to switch between metric units (metres, km/h) and "
      "imperial units (feet, mph).");
}

void panels(TextDocument& d) {
  d.heading("Panels and the mouse");
  d.paragraph(
      "The instruments, this help window and the music panel are panels floating in front of "
      "the camera. When Skyloom runs in a window (the \"Skyloom\" shortcut), you can arrange "
      "them with the mouse. As a full-screen screen saver they are shown but do not take the "
      "mouse.");
  d.item("Left drag", "Move a panel.");
  d.item("Left click", "Switch a panel's display, for example the units of a tape.");
  d.item("Right click", "Change the panel's colours (see below).");
  d.item("Right drag", "Move a panel, like a left drag.");
  d.item("Both buttons drag", "Move the panel nearer or farther: it grows or shrinks.");
  d.blank();
  d.paragraph(
      "A right click opens the \"Change Color\" window. It has a row of three sliders for each "
      "colour of the panel - red, green and blue - that change the colour at once; \"Close\" "
      "closes it. On a list, such as this help, the row under the mouse gets its own colours.");
  d.paragraph(
      "Panels keep their places, sizes and colours between interactive runs. New panels, and "
      "saved panels at the start of a run, glide in from the distance to their places.");
}

void musicPanel(TextDocument& d) {
  d.heading("Music panel");
  d.paragraph(
      "Skyloom has its own MP3 player. Switch it on in the settings (\"Mp3 Player Settings\": "
      "\"Enable Pictue Show\"), choose what it plays there, and turn on \"Show Play buttons\" "
      "to see its panel in the scene. The music starts with the scene and repeats its list for "
      "as long as Skyloom runs.");
  d.paragraph("The panel has six buttons:");
  d.item("Previous", "Go to the previous track.");
  d.item("Play", "Play; restarts the track when it is already playing, resumes after Pause.");
  d.item("Pause", "Pause the track.");
  d.item("Stop", "Stop playing.");
  d.item("Next", "Go to the next track.");
  d.item("Open", "Choose MP3 files to play now instead of the list from the settings.");
  d.blank();
  d.paragraph(
      "Its lines show the time played of the current track, its total time, its number in the "
      "list, its title and the date and time. A bar grows as the track plays, and two spectrum "
      "analysers, one for each channel, dance with the music you hear. The buttons take the "
      "mouse when Skyloom runs in a window.");
}

void generalSettings(TextDocument& d) {
  d.heading("Settings");
  d.paragraph(
      "Open the settings with the \"Skyloom Settings\" shortcut or with \"Settings\" in the "
      "screen saver settings of Windows. The settings dialog has four buttons, each opening one "
      "group of settings. \"OK\" saves everything; \"Cancel\" forgets the changes.");

  d.paragraph("General Settings:");
  d.item("Terrain Quality", "1 to 3: how much detail the landscape shows. Higher needs a faster "
                            "graphics card.");
  d.item("Viewangle", "60 to 120 degrees: how wide the camera sees.");
  d.item("Cloud", "1 to 500: how many clouds fill the sky.");
  d.item("Tree", "1 to 200: how many trees and buildings cover the land.");
  d.item("Sound", "Engine sounds on or off.");
  d.item("Terrain",
         "The landscape to fly over: \"random\" picks a different one each time, \"bmp\" is the "
         "landscape built into Skyloom, and the other names are the terrain files in the \"tem\" "
         "folder.");
  d.item("Sea Level", "0 to 9999: raise it to flood the valleys.");
  d.item("Colors",
         "\"Sky\", \"Fog1\", \"Fog2\", \"Cloud\" and \"Lightcolor\" each open the colour chooser "
         "of Windows: for the sky, the haze toward the horizon, the clouds and the sunlight. A "
         "colour you choose stays chosen even if you then cancel \"General\"; \"Cancel\" in the "
         "settings dialog still forgets it.");
  d.blank();
}

void aircraftSettings(TextDocument& d) {
  d.paragraph("Aircraft Settings:");
  d.item("Available", "The aircraft found in the \"aircraft\" folder; \"null\" stands for "
                      "Skyloom's built-in aircraft.");
  d.item("Added", "The aircraft that fly, in formation order. Select some in \"Available\" and "
                  "press \"Add\"; up to 225.");
  d.item("Remove, Remove all", "Take the selected aircraft, or all of them, off the list.");
  d.item("Top, Up, Down, Bottom", "Move the selected aircraft within the list.");
  d.item("Trail", "Smoke trails on or off.");
  d.item("Length", "1 to 100: how long the smoke trails are.");
  d.blank();
}

void musicSettings(TextDocument& d) {
  d.paragraph("Mp3 Player Settings:");
  d.item("Enable Pictue Show", "Switches the MP3 player on. When it is off, Skyloom plays no "
                               "music.");
  d.item("Show Play buttons", "Shows the music panel in the scene.");
  d.item("File list", "Single MP3 files: \"Add Files\" adds them.");
  d.item("Directory list", "Folders with MP3 files: \"Add Directory\" adds one. Select folders "
                           "here for \"Play selected directories\".");
  d.item("Edit ... list", "\"Edit Directory list\" and \"EDIT File list\" choose which list the "
                          "buttons \"Remove\", \"Remove All\", \"Top\", \"Up\", \"Down\" and "
                          "\"Bottom\" work on.");
  d.item("Play mode", "What to play:");
  d.bullet("\"Play the file list\": the files of the file list.", kItemColumn);
  d.bullet("\"Play selected directories\": the folders selected in the directory list.", kItemColumn);
  d.bullet("\"Play a random directory\" ... \"Play 5 random directories\": one to five folders "
           "of the directory list, chosen anew each time.", kItemColumn);
  d.bullet("\"Pick from all files randomly\": every folder and every file of both lists.", kItemColumn);
  d.bullet("\"Random\": one of the above, chosen anew each time.", kItemColumn);
  d.item("Randomize Order", "Shuffle the tracks. Only then does \"Maximum files to play\" "
                            "apply.");
  d.item("Maximum files to play", "1 to 9999: how many tracks a shuffled list holds.");
  d.blank();
}

void displaySettings(TextDocument& d) {
  d.paragraph("Display Settings:");
  d.item("Display mode",
         "\"Automatic\" lets Skyloom choose the screen resolution; or pick a resolution and "
         "colour depth yourself.");
  d.item("Leave black", "Show nothing on this monitor.");
  d.item("Disable hardware", "Draw without the graphics card's 3D hardware on this monitor "
                             "(slow; for troubleshooting).");
  d.blank();
}

void files(TextDocument& d) {
  d.heading("Where the files live");
  d.paragraph("Skyloom is installed in a folder of its own, by default");
  d.verbatim("  C:\\Program Files\\Velkaran\\Skyloom");
  d.blank();
  d.paragraph("There you find:");
  d.item("Skyloom.exe", "The program (also copied into the Windows folder as Skyloom.scr, the "
                        "screen saver Windows starts).");
  d.item("pack.dat", "The pictures and this help text.");
  d.item("tem\\", "Terrain files (.tem, .hgt, .dem). Files you add here appear in the "
                  "\"Terrain\" list.");
  d.item("aircraft\\", "Aircraft files (.cu). Files you add here appear under \"Available\".");
  d.item("plane.wav, wav\\", "The engine sounds.");
  d.item("config.ini", "Your settings. Delete it to return to the original settings.");
  d.item("Kelvane.ini", "The camera modes and the panel layout, written at the end of every "
                        "interactive run. Delete it to start with the original layout.");
  d.item("readme.txt", "This guide.");
  d.item("license.txt", "The licence.");
  d.item("Uninstall.exe", "Removes Skyloom.");
  d.blank();
  d.paragraph(
      "The display settings and the install folder are kept in the registry under "
      "HKEY_CURRENT_USER\\Software\\Velkaran\\Skyloom.");
}

void removing(TextDocument& d) {
  d.heading("Removing Skyloom");
  d.paragraph(
      "Use \"Uninstall Skyloom\" in the Start menu, or remove Skyloom in the list of installed "
      "programs of Windows. Everything the installer put on the computer is removed. Files you "
      "added to the Skyloom folder stay, and so does the folder that holds them.");
}

void troubleshooting(TextDocument& d) {
  d.heading("When something goes wrong");
  d.bullet("A message box bouncing over the screen instead of the scene means Skyloom found no "
           "usable 3D graphics. Update the graphics driver, or try \"Display Settings\".");
  d.bullet("The scene is slow: lower \"Terrain Quality\", \"Cloud\" or \"Tree\", or choose a "
           "smaller resolution in \"Display Settings\".");
  d.bullet("No engine sounds: check \"Sound\" in the general settings, and press S once in case "
           "you switched them off.");
  d.bullet("No music panel: switch on both \"Enable Pictue Show\" and \"Show Play buttons\".");
  d.blank();
  d.paragraph("Enjoy the flight.");
}

}  // namespace

std::string readmeText() {
  TextDocument d;
  introduction(d);
  starting(d);
  generalKeys(d);
  flying(d);
  cameras(d);
  instruments(d);
  panels(d);
  musicPanel(d);
  generalSettings(d);
  aircraftSettings(d);
  musicSettings(d);
  displaySettings(d);
  files(d);
  removing(d);
  troubleshooting(d);
  return d.text();
}

}  // namespace skyloom::assetgen
