#pragma once
// The windows' form descriptions are resources of this static library; forms call this before
// reading theirs.

void EnsureAppResources();

// Makes the program's icon, in every size it is drawn in, the icon of each of its windows, and
// ties the windows to the program's desktop entry.
void SetProgramIcon();
