#pragma once

// Games that keep no highscore file in their folder: the solitaire game's statistics in the
// handheld's registry and the puzzle game's statistics file in its Windows folder. Their
// tables carry the handheld owner's name. Neither reader pauses between its remote steps.

#include "formats/GameFiles.h"

struct ScanContext;

// The owner's name, looked up on the handheld each time it is asked for: the binary "Owner"
// value of "\ControlPanel\Owner" as UTF-16, else its "Name". Without either the name is
// "Anonymous", and the scan keeps a notice that says so.
OwnerName ownerLookup(ScanContext& scan);

// "Games" and "Won" of the solitaire statistics key; a missing "Won" gives nothing, a missing
// or implausible "Games" (above 100,000) counts as 0.
void readSolitaireStatistics(ScanContext& scan);
// The four mode records of the puzzle game's file, as eight tables: each mode's highest score
// and its average (from 10 games on).
void readPuzzleGameFile(ScanContext& scan);
