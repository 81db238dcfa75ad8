#pragma once

#include <QObject>

// Turns SIGTERM and SIGINT into a signal of the event loop.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

Q_SIGNALS:
    void stopRequested();
};
