// The Options command of the view. It stays available while a publish runs: the publish
// worker reads its own copy of the settings, so the dialog never changes what it reads.
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"
#include "ui/OptionsDlg.h"

void CScoreView::RunOptions() {
    if (app)
        RunOptionsDialog(this, app->settings);
}
