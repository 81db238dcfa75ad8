// The Options command of the view. The Options dialog arrives with the settings work; until
// then there is nothing to show.
#include "app/ScoreView.h"

// Runs the Options dialog modally; true when the user ended it with OK.
bool RunOptionsDialog(QWidget*, CScorvaneApp*) {
    return false;
}

void CScoreView::RunOptions() {
    RunOptionsDialog(this, app);
}
