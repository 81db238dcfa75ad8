#pragma once

// The download both commands begin with: the same download as the desktop program's Download
// command (published islands deleted included), and the tree it would show.

#include "download/Download.h"

#include <QList>
#include <QString>

struct HandheldScan {
    DownloadOutcome outcome;
    QList<TreeBranch> tree; // empty unless the download succeeded
};

// Reads the device image in imageFolder, or the connected handheld when it is empty.
HandheldScan scanHandheld(const QString& imageFolder);
