#pragma once
// The windows' form descriptions are resources of this static library; forms call this before
// reading theirs.

void EnsureAppResources();
