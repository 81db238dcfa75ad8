#pragma once

// What the games announce under the program's own key on the handheld: files of new
// highscores (kind 1) and the islands game's folder (kind 2), each as "kind,path".

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

class Handheld;

struct Announcement {
    qint32 kind = 0; // greater than 0
    QString text;    // everything after the first comma

    bool operator==(const Announcement&) const = default;
};

// One announcement value: the decimal number before the first comma as atoi reads it (leading
// blanks and a sign allowed, the digits up to the first other character, held at the ends of
// the 32-bit range); nothing when the value has no comma or the number is not above 0.
std::optional<Announcement> parseAnnouncement(QStringView value);

struct Announcements {
    // The islands game's program, as its service key names it, exists on the handheld.
    bool islandsAppPresent = false;
    QList<Announcement> list; // in the key's value order
};

// Reads the islands game's service key, then the program's own key. The islands game counts
// as present even when the program's key is missing: a game that never ran has announced
// nothing yet, and that is just when the user must be told to start it once.
Announcements readAnnouncements(Handheld& handheld);
