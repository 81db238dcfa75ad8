#pragma once

// The JSON API beside the pages, for scripts:
//   GET /api/tables                          every leaderboard: game, format, title, entries
//   GET /api/tables/{game}/{format}/{title}  its entries in rank order

#include "server/Leaderboards.h"

#include <QByteArray>
#include <vector>

QByteArray TablesJson(const std::vector<BoardSummary>& boards);
QByteArray TableJson(const Board& board);
