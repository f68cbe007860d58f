#pragma once
// Paste of a mass spectrum from the clipboard into a store. The clipboard
// text follows the rules of text spectrum files with these differences:
// only lines starting with "'" are comments; parentheses are kept; fields
// are not trimmed; a line ";fm=<mass>" before any first mass is known sets
// the first mass; otherwise the first line without a TAB asks for it. The
// lines are read as XY text until a first mass is known and as Y-only text
// from then on (the intensity is the text after the first TAB, or the
// whole line when there is none).
#include <string>

namespace sorrel {

class TSpec;

// Pastes `clipboardText` into `store` as its current spectrum (CMass) and
// calls the store's RefreshPlot. The store becomes a single-spectrum store
// (a run it held is cleared first). Errors go to the error box ("Empty/
// incorrect data.", "Wrong first mass."); a line that does not parse asks
// whether to go on. True when the paste ran to its end; a paste that
// stops leaves the store's spectrum as it was before.
bool PasteSpectrum(const std::string& clipboardText, TSpec& store);

}  // namespace sorrel
