#pragma once
// The clipboard in data-object terms, over Qt's clipboard: a data object put
// there is rendered into the formats other programs read (its file list as
// copied files, its text as plain text), and what the clipboard holds comes
// back as a data object of the same kind a drop brings.
#include "platform/Ole.h"

namespace ole {

// Puts what Data offers of a file list and a text on the clipboard; a null
// Data empties it. kFail, and the clipboard unchanged, when there is no
// clipboard or Data offers neither in a block that reads.
Result SetClipboard(DataObject* Data);
// The clipboard's data as a new data object in Out (with its reference);
// kFail when there is no clipboard.
Result GetClipboard(DataObject** Out);

}  // namespace ole
