#pragma once

#include <QObject>

class QWidget;

namespace marlox::bench {

// Ends the process as soon as the window has painted its first frame: it writes the moment, on
// the system's monotonic clock in nanoseconds, and the number of threads the process runs then,
// as one line on standard output, and exits without tearing anything down.
class FirstFrameExit final : public QObject {
public:
    explicit FirstFrameExit(const QWidget* window);
    ~FirstFrameExit() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QWidget* m_window;
    bool m_painted = false;
};

} // namespace marlox::bench
