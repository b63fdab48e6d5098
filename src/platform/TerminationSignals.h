#pragma once

#include <QObject>

class QSocketNotifier;

namespace marlox::platform {

// Turns SIGTERM and SIGINT into a signal on the main thread, so that the application leaves
// through its event loop and its services end in order (the operations log flushed, the catalog
// and artifact workers joined) instead of dying mid-write. One instance per process.
class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace marlox::platform
