#pragma once
// The program's own words for what the engine reports as codes: file and folder errors, and why a
// file that matched its neighbour was kept.

#include "replays/Removal.h"

#include <QString>

namespace app {

// A file error code (platform/fs/FileErrors.h) in Russian.
QString FileErrorText(int code);
// The same code met on a folder, in words that name a folder.
QString FolderErrorText(int code);

// Why the removal kept kept.path, in Russian, naming the other file where there is one.
QString KeptReasonText(const replays::NotDeleted& kept);

// Why a "*.rep" file is not listed although it could be read: it is too short to be a replay.
QString TooShortText();

// Where a scan found a file it brought back, in Russian.
QString RestoredText(const replays::RestoredFile& restored);

} // namespace app
