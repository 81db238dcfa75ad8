#pragma once

// The sources the announcements name: files of new highscores, published to the islands site
// as they were read, and the islands game's folders, whose published islands are deleted as
// they load.

struct ScanContext;

// Every announcement in order. A folder announced twice (compared as on the handheld: without
// regard to case, with or without its closing backslash) is loaded once, or its islands would
// be listed and published twice. A folder that could be read counts as loaded even when none
// of its islands remains.
void loadAnnouncedSources(ScanContext& scan);
