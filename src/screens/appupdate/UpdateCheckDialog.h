#pragma once

#include "screens/appupdate/UpdateCheck.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace marlox::screens {

// The updater's plain window: the check in progress, then what it found.
class UpdateCheckDialog final : public QDialog {
    Q_OBJECT

public:
    explicit UpdateCheckDialog(QWidget* parent = nullptr);

    void showChecking();
    void showOutcome(const UpdateCheckOutcome& outcome);

signals:
    void downloadPageRequested(const QUrl& page);

private:
    void fitHeightToText();

    QLabel* m_headline = nullptr;
    QLabel* m_detail = nullptr;
    QPushButton* m_openDownloadPage = nullptr;
    QPushButton* m_close = nullptr;
    std::optional<QUrl> m_downloadPage;
};

} // namespace marlox::screens
