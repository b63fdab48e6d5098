#include "Launch.h"

#include "app/MarloxStudioApp.h"
#include "catalog/OperationsLog.h"
#include "platform/TerminationSignals.h"
#include "ui/kit/AppAlert.h"

#include <QApplication>

#include <cstdio>

namespace marlox::app {
namespace {

// Platforms that show no window to anyone: an alert there would wait forever.
bool showsWindows() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

} // namespace

void reportAtLaunch(const QString& message) {
    std::fputs(qPrintable(QGuiApplication::applicationDisplayName() + QStringLiteral(": ") +
                          message + QLatin1Char('\n')),
               stderr);
    catalog::log(message);
}

int endBecauseAnotherCopyRuns() {
    const QString displayName = QGuiApplication::applicationDisplayName();
    const QString message =
        QStringLiteral("Another copy of %1 is running but did not answer, so this one ends "
                       "without changing anything. Quit the other copy, or wait until its window "
                       "opens, then open %1 again.")
            .arg(displayName);
    reportAtLaunch(message);
    constexpr int exitStatus = 1;
    if (!showsWindows() || platform::TerminationSignals::requested()) {
        return exitStatus;
    }
    useApplicationAppearance();
    ui::AppAlert alert(QStringLiteral("%1 Is Already Running").arg(displayName),
                       ui::AppAlert::Icon::warning, nullptr);
    alert.setObjectName(QStringLiteral("anotherCopyRunningAlert"));
    alert.setMessage(message);
    QObject::connect(&alert, &QDialog::finished, qApp, &QCoreApplication::quit);
    alert.open();
    QApplication::exec();
    return exitStatus;
}

} // namespace marlox::app
