// The Support screen's log excerpt from a 2 GiB (sparse) operations log: how long the read of its
// tail takes on a worker, and the longest the main thread is held from the moment the log switch
// is turned on until the excerpt shows, which must stay under a frame (16 ms); and the time a
// paste of two million characters into the description holds the main thread.
#include "WidgetBenchmarkSupport.h"
#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/OperationsLog.h"
#include "catalog/RemoteArtifactService.h"
#include "platform/Clipboard.h"
#include "platform/FileChooser.h"
#include "platform/MailComposer.h"
#include "platform/ProcessRunner.h"
#include "platform/SystemInformation.h"
#include "platform/Workspace.h"
#include "screens/support/PromptingTextEditor.h"
#include "screens/support/SupportDiagnostics.h"
#include "screens/support/SupportView.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

using namespace marlox;

constexpr qint64 logSize = qint64(2) << 30;

// Writes the operations log once: 2 GiB of which only the last lines take room on the disk.
QString sparseLog() {
    const QString path = catalog::operationsLogFilePath();
    if (QFileInfo(path).size() == logSize) {
        return path;
    }
    QByteArray tail;
    for (int line = 1; line <= 400; ++line) {
        tail += "[2026-12-06T10:00:00Z] Install succeeded: package=studio.marlox.countdown-pro, "
                "line=" +
                QByteArray::number(line) + "\n";
    }
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !file.resize(logSize - tail.size()) || !file.seek(logSize - tail.size()) ||
        file.write(tail) != tail.size()) {
        return {};
    }
    return path;
}

// Every desktop and system piece the screen may ask, answering nothing.
struct QuietDesktop final : platform::Workspace,
                            platform::MailComposer,
                            platform::Clipboard,
                            platform::FileChooser,
                            platform::SystemInformation {
    void openFolder(const QString&) override {}
    void revealInFileViewer(const QString&) override {}
    QFuture<bool> openURL(const QUrl&) override { return QtFuture::makeReadyFuture(false); }
    bool canCompose(const platform::MailDraft&) const override { return false; }
    QFuture<bool> compose(const platform::MailDraft&) override {
        return QtFuture::makeReadyFuture(false);
    }
    void setText(const QString&) override {}
    void chooseFiles(QWidget*, const platform::FileChoice&, ChosenHandler) override {}
    QString operatingSystemVersion() const override { return QStringLiteral("Linux"); }
    std::optional<QVariantMap> applicationInfo(const QString&) const override {
        return std::nullopt;
    }
    QString machineModel() const override { return {}; }
};

void BM_ExcerptOfA2GiBLogOnAWorker(benchmark::State& state) {
    const QString path = sparseLog();
    if (path.isEmpty()) {
        state.SkipWithError("the sparse log could not be written");
        return;
    }
    for (auto _ : state) {
        std::optional<QString> excerpt = screens::readLogExcerpt(path);
        if (!excerpt || excerpt->isEmpty()) {
            state.SkipWithError("no excerpt");
        }
        benchmark::DoNotOptimize(excerpt);
    }
}
BENCHMARK(BM_ExcerptOfA2GiBLogOnAWorker)->Unit(benchmark::kMillisecond);

// The Support screen over services with the built-in catalog not loaded and a quiet desktop,
// shown off the screen at 1100 by 700.
struct ShownSupportScreen {
    ShownSupportScreen() {
        screen.setAttribute(Qt::WA_DontShowOnScreen);
        screen.resize(1100, 700);
        screen.show();
        QCoreApplication::processEvents();
    }

    std::shared_ptr<platform::HttpClient> http = std::make_shared<platform::NetworkHttpClient>();
    catalog::CatalogService catalogService{
        catalog::DistributionConfiguration(), platform::mainBundle(), http,
        std::make_unique<catalog::RemoteArtifactService>(
            http, std::make_shared<platform::SystemProcessRunner>(), QStringLiteral("ditto"))};
    catalog::InstalledPackageStore installedStore;
    QuietDesktop desktop;
    screens::SupportView screen{catalogService,
                                installedStore,
                                platform::mainBundle(),
                                {desktop, desktop, desktop, desktop, desktop}};
};

// The longest the main thread is held from the click on the log switch until the screen holds the
// excerpt; then the switch goes off for the next round.
void BM_LogSwitchOnA2GiBLogMainThreadStall(benchmark::State& state) {
    if (sparseLog().isEmpty()) {
        state.SkipWithError("the sparse log could not be written");
        return;
    }
    ShownSupportScreen shown;
    screens::SupportView& screen = shown.screen;
    auto* logSwitch = screen.findChild<QAbstractButton*>(QStringLiteral("includeLogsSwitch"));

    double longestStall = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QTimer::singleShot(30'000, &loop, &QEventLoop::quit);
        const bench::MainThreadStallMeter meter([&] {
            if (screen.form().logSnippet) {
                loop.quit();
            }
        });
        logSwitch->click();
        loop.exec();
        state.SetIterationTime(meter.elapsedNanoseconds() / 1e9);
        longestStall = std::max(longestStall, meter.longestStallMilliseconds());
        if (!screen.form().logSnippet || screen.form().logSnippet->isEmpty()) {
            state.SkipWithError("the excerpt did not show");
        }
        logSwitch->click();
        QCoreApplication::processEvents();
    }
    state.counters["longest_main_thread_stall_ms"] = longestStall;
}
BENCHMARK(BM_LogSwitchOnA2GiBLogMainThreadStall)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// One unbroken line of two million characters pasted into the description, then a key typed:
// the time the main thread is held for both, the description being cut to its limit.
void BM_PasteOfTwoMillionCharactersIntoTheDescription(benchmark::State& state) {
    ShownSupportScreen shown;
    QPlainTextEdit* editor =
        &shown.screen.findChild<screens::PromptingTextEditor*>(QStringLiteral("messageEditor"))
             ->editor();
    QGuiApplication::clipboard()->setText(QString(2'000'000, 'x'));
    for (auto _ : state) {
        editor->clear();
        QCoreApplication::processEvents();
        const bench::MainThreadStallMeter meter;
        editor->paste();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, QStringLiteral("y"));
        QCoreApplication::sendEvent(editor, &press);
        QCoreApplication::processEvents();
        state.SetIterationTime(meter.elapsedNanoseconds() / 1e9);
        state.counters["description_characters"] = double(shown.screen.form().messageBody.size());
    }
}
BENCHMARK(BM_PasteOfTwoMillionCharactersIntoTheDescription)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return marlox::bench::runWidgetBenchmarks(argc, argv);
}
