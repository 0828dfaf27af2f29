#pragma once
// What the settings dialogs do to the settings, apart from the dialogs themselves: the list
// buttons on a multi-selection, the numbers typed into edit fields, the colour chooser's
// colours and the music dialog's selected directories. Portable, so the rules are tested
// natively; the Win32 dialogs only move values between these and their controls.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/file_list.h"
#include "config/settings_records.h"

namespace skyloom {

// At most this many entries of a list box are acted on at once.
constexpr int kMaxListSelection = 256;
// The aircraft dialog's "Add" stops at this many chosen aircraft.
constexpr int kMaxChosenAircraft = 225;

// The list buttons. The selection is a list box's selected indexes (any order; those outside
// the list and all past the first 256 are ignored); each answers where the selected entries
// are afterwards, in ascending order, so the list box can select them again.
// Top: the k-th selected entry goes to position k.
std::vector<int> moveSelectedToTop(FileList& list, std::span<const int> selection);
// Bottom: the selected entries go to the end, keeping their order.
std::vector<int> moveSelectedToBottom(FileList& list, std::span<const int> selection);
// Up and Down: each selected entry moves one place, unless it is packed against that end.
std::vector<int> moveSelectedUp(FileList& list, std::span<const int> selection);
std::vector<int> moveSelectedDown(FileList& list, std::span<const int> selection);
// Remove: the selected entries go; nothing is selected afterwards.
void removeSelected(FileList& list, std::span<const int> selection);

// "Add": appends the available entries at the selected indexes, in selection order, until the
// list holds 225 entries. Answers how many were added.
int addChosen(FileList& list, const std::vector<std::string>& available, std::span<const int> selection);

// A list box line: the entry's 1-based number, then the entry ("%3d  %s").
std::string listEntryText(int number, std::string_view text);

// The files an open-file dialog with multiple selection answers: one full path, or a folder and
// then the names chosen in it, each NUL-terminated, ended by an empty string. Answers full
// paths (folder + "\" + name); nothing for a buffer without an ending.
std::vector<std::string> chosenFiles(std::span<const char> buffer);

// A number typed into an edit field: its first 8 characters read as a decimal number (text that
// is not one reads as 0), then clamped to [lowest, highest].
int fieldNumber(std::string_view text, int lowest, int highest);

// The colour chooser works in COLORREF order (0x00BBGGRR); the settings keep ARGB.
std::uint32_t colourFromChooser(std::uint32_t colorref);
std::uint32_t chooserFromColour(std::uint32_t argb);
// The stored colour after the chooser: the chosen one with full alpha on OK, else as it was.
std::uint32_t chosenColour(std::uint32_t stored, bool chosen, std::uint32_t colorref);

// The music dialog's selected directories: the stored indexes up to the first negative one,
// and the 256 slots written back from a list box's selection (the rest −1).
std::vector<int> storedDirectorySelection(const MusicRecord& record);
void storeDirectorySelection(MusicRecord& record, std::span<const int> selection);

}  // namespace skyloom
