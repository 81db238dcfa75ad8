#include "scores/NewHighscoresSource.h"

#include "scores/SignedTable.h"

bool CNewHighscoresSource::Decode() {
    table.Reset();
    data.SetPosition(0);
    return ParseSignedTable(table, data);
}

int CNewHighscoresSource::GetDestination() const {
    return DEST_ISLANDS;
}

bool CNewHighscoresSource::HasData() const {
    return table.Count() > 0;
}
