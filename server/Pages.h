#pragma once

// The server's web pages: plain HTML with one style sheet and no script. Every text that came
// from a handheld or a form is escaped.

#include "server/IslandStore.h"
#include "server/Leaderboards.h"

#include <QByteArray>
#include <QString>
#include <vector>

struct RegisterForm {
    QString email;
    QString displayName;
    QString problem; // shown above the form; empty for none
};

class Pages {
public:
    explicit Pages(const QString& siteName) : siteName(siteName) {}

    QByteArray Boards(const std::vector<BoardSummary>& boards) const;
    QByteArray Board(const ::Board& board) const;
    QByteArray Player(const PlayerEntries& player) const;
    QByteArray IslandAccounts(const std::vector<IslandAccountSummary>& accounts) const;
    QByteArray Islands(qint64 playerId, const AccountIslands& account) const;
    QByteArray Register(const RegisterForm& form) const;
    QByteArray Registered(qint64 playerId) const;
    // A page with a heading and one paragraph, for errors.
    QByteArray Message(const QString& heading, const QString& text) const;

    static QByteArray StyleSheet();
    // The address of a board's page.
    static QString BoardPath(qint32 game, qint32 format, const QString& title);

private:
    QByteArray Page(const QString& title, const QString& content) const;

    QString siteName;
};

// Milliseconds since the epoch as the pages show them, and as the JSON API gives them.
QString PageTime(qint64 ms);
QString IsoTime(qint64 ms);
