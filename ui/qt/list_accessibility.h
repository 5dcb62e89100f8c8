// What a screen reader hears of the program's drop-down list (Combo1, of
// lines per file): a combo box named by its accessible name, "Lines per
// file", whose value is the text in its field. Qt's own interface for an
// editable list speaks that value as its name on Linux, where it leaves the
// name to a label's relation, and Form1 has no label beside the list.
#pragma once

namespace morvane {

// Gives every list the program makes from now on that interface; before
// the list is made, as Qt keeps the interface it made first for a widget.
void NameListsForScreenReaders();

}  // namespace morvane
