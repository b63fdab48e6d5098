#pragma once

#include "ui/kit/SheetLayer.h"
#include "ui/plugins/PackageCards.h"

#include <QString>
#include <QStringList>

#include <optional>

class QLabel;
class QVBoxLayout;

namespace marlox::ui {

class PackageImageView;
class ThumbnailCache;

// The sheet with one package in full: a large thumbnail, name and version, summary, detail
// bullets, category, type and the installation's status, with the install action and "Close".
// Like the cards it keeps nothing: the screen hands it fresh values while it is open, so an
// install started here is followed live. "Close" and Escape dismiss it.
class PackageDetailSheet : public SheetLayer {
    Q_OBJECT

public:
    static constexpr int minimumPanelWidth = 680;
    static constexpr int minimumPanelHeight = 520;
    static constexpr int outerPadding = 14;

    // Over the window of `presenter`, the screen that shows it.
    explicit PackageDetailSheet(ThumbnailCache& thumbnailCache, QWidget* presenter = nullptr);

    // `runtimeStatus` is the installation's status text for the package, none when it has none.
    void setValues(const PackageCardValues& values, const std::optional<QString>& runtimeStatus);
    const QString& packageID() const { return m_packageID; }

    // The lines of the body as shown, for tests: bullets, then the info lines.
    QStringList bulletLines() const;
    QStringList infoLines() const;

signals:
    void installRequested();

private:
    void setBullets(const QStringList& bullets);

    QString m_packageID;
    PackageImageView* m_image;
    PackageTitleRow* m_title;
    QLabel* m_summary;
    QWidget* m_bullets;
    QVBoxLayout* m_bulletLayout;
    QLabel* m_category;
    QLabel* m_type;
    QLabel* m_status;
    PackageActionControl* m_action;
};

} // namespace marlox::ui
