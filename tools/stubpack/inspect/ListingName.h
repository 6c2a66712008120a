// An entry name made safe to print on a terminal: a name could otherwise clear the screen, set
// the window title, forge rows of the listing or turn the text around it.
#pragma once
#include <string>

// The UTF-16 name as UTF-8, with control characters written as \xNN, bidirectional controls
// and line or paragraph separators as \uNNNN, and each unit of an unpaired surrogate as \uNNNN.
std::string ListingName(const std::u16string& name);
