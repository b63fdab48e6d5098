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
    // Catches the signals from now on, before any object exists: one that arrives while the
    // application starts is kept until the event loop can take it, rather than ending the
    // process on the spot. Safe to call more than once.
    static void catchFromNow();
    // Whether a signal has arrived; the application checks before its event loop runs.
    static bool requested();

    // Catches the signals too, if that has not begun yet.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace marlox::platform
