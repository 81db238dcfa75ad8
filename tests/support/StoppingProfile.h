#pragma once

// A profile store in memory that can stop taking writes after a given number of them, as if
// the program had stopped there: every later write fails and changes nothing, or, as a crash,
// throws Stopped. For tests that show a sequence of profile writes is safe wherever it is cut
// short.

#include "profile/Profile.h"

#include <QMap>

class StoppingProfile final : public ProfileStore {
public:
    QVariant value(const QString& key, const QVariant& fallback = {}) const override {
        return m_values.value(key, fallback);
    }
    bool setValue(const QString& key, const QVariant& value) override {
        return takeWrite() && (m_values.insert(key, value), true);
    }
    bool remove(const QString& key) override { return takeWrite() && (m_values.remove(key), true); }

    struct Stopped {};
    // Takes writes more, then refuses every write (or throws); a negative number takes all.
    void stopAfter(int writes, bool crash = false) {
        m_left = writes;
        m_crash = crash;
    }
    int writes() const { return m_writes; }
    const QMap<QString, QVariant>& values() const { return m_values; }

private:
    bool takeWrite() {
        if (m_left == 0 && m_crash)
            throw Stopped();
        if (m_left == 0)
            return false;
        m_left -= m_left > 0;
        ++m_writes;
        return true;
    }

    QMap<QString, QVariant> m_values;
    int m_left = -1;
    int m_writes = 0;
    bool m_crash = false;
};
