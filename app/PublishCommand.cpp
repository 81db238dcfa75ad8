// The Publish command of the view. The upload itself arrives with the publishing work; until
// then the command reads the check boxes and stops there.
#include "app/CheckTreeCtrl.h"
#include "app/ScoreView.h"

void CScoreView::StartPublish() {
    if (IsBusy() || !tree || tree->topLevelItemCount() == 0)
        return;
    ReadCheckedSources();
}
