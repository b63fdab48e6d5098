#include "RootView.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace marlox::app {
namespace {

constexpr QSize minimumWindowSize(1100, 700);

} // namespace

RootView::RootView(RootViewServices services, QWidget* parent)
    : QMainWindow(parent), m_services(services) {
    setObjectName(QStringLiteral("rootView"));
    setMinimumSize(minimumWindowSize);
    auto* central = new QWidget(this);
    auto* split = new QHBoxLayout(central);
    split->setContentsMargins(0, 0, 0, 0);
    split->setSpacing(0);
    m_detailPane = new QWidget(central);
    m_detailPane->setObjectName(QStringLiteral("detailPane"));
    auto* detailLayout = new QVBoxLayout(m_detailPane);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);
    split->addWidget(m_detailPane, 1);
    setCentralWidget(central);
    showDetailScreen();
}

RootView::~RootView() = default;

void RootView::selectSection(AppSection section) {
    const bool changed = section != m_selectedSection;
    m_selectedSection = section;
    showDetailScreen();
    if (changed) {
        emit selectedSectionChanged();
    }
}

void RootView::navigate(const QString& rawSection) {
    if (const auto section = appSectionFromRawValue(rawSection)) {
        selectSection(*section);
    }
}

void RootView::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        emit closed();
    }
}

void RootView::showDetailScreen() {
    delete m_detailScreen;
    m_detailScreen = makeScreen(m_selectedSection);
    m_detailPane->layout()->addWidget(m_detailScreen);
}

QWidget* RootView::makeScreen(AppSection section) {
    auto* placeholder = new QLabel(title(section), m_detailPane);
    placeholder->setObjectName(rawValue(section) + QLatin1String("Placeholder"));
    placeholder->setAlignment(Qt::AlignCenter);
    return placeholder;
}

} // namespace marlox::app
