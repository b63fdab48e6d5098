#pragma once

#include "catalog/CatalogManifest.h"
#include "ui/kit/AppPill.h"
#include "ui/plugins/LibraryFilters.h"

#include <QFont>
#include <QString>
#include <QWidget>

namespace marlox::ui {

class FittingLabel;
class PackageImageView;
class ThumbnailCache;

// What a card or the detail sheet shows of one package, derived afresh from the services on
// every refresh.
struct PackageCardValues {
    catalog::PackageManifest package;
    QString summary;
    LibraryCardState state = LibraryCardState::notInstalled;
    bool isInstalling = false;
};

// Enough lines that no name or text is ever cut.
inline constexpr int anyNumberOfLines = 100;

// A package's name and "v" with its version, side by side on one baseline.
class PackageTitleRow : public QWidget {
    Q_OBJECT

public:
    // A long name is cut after `nameLines` lines.
    PackageTitleRow(const QFont& nameFont, const QFont& versionFont, qreal spacing, int nameLines,
                    QWidget* parent = nullptr);

    void setPackage(const catalog::PackageManifest& package);

private:
    FittingLabel* m_name;
    FittingLabel* m_version;
};

// The install action of a card and the detail sheet: the "Installed" pill when there is nothing
// to do, else a button titled by the state that is disabled while the package installs.
class PackageActionControl : public QWidget {
    Q_OBJECT

public:
    explicit PackageActionControl(AppPillSize size, QWidget* parent = nullptr);

    void setValues(LibraryCardState state, bool isInstalling);
    AppPillButton* button() const { return m_button; }
    AppPillLabel* installedPill() const { return m_installedPill; }

signals:
    void installRequested();

private:
    AppPillLabel* m_installedPill;
    AppPillButton* m_button;
};

// A card of one package. It keeps nothing of its own: the screen hands it new values whenever
// what it shows may have changed, and hears its two requests.
class PackageCard : public QWidget {
    Q_OBJECT

public:
    void setValues(const PackageCardValues& values);
    // The catalog entry shown, which its two requests are about.
    const catalog::PackageManifest& package() const { return m_package; }
    const QString& packageID() const { return m_package.id; }

signals:
    void installRequested();
    void detailsRequested();

protected:
    // The parts every card shows; each card lays them out in its own way.
    PackageCard(PackageImageView* image, PackageTitleRow* title, FittingLabel* summary,
                AppPillSize size, QWidget* parent);

    PackageImageView* image() const { return m_image; }
    PackageTitleRow* title() const { return m_title; }
    FittingLabel* summary() const { return m_summary; }
    PackageActionControl* action() const { return m_action; }
    AppPillButton* details() const { return m_details; }

private:
    catalog::PackageManifest m_package;
    PackageImageView* m_image;
    PackageTitleRow* m_title;
    FittingLabel* m_summary;
    PackageActionControl* m_action;
    AppPillButton* m_details;
};

// The card of the list layout: a full-width row of the thumbnail fitted into 132 by 88, the
// name, version and two lines of summary, and the action and "Details" on the right.
class PackageListCard : public PackageCard {
    Q_OBJECT

public:
    PackageListCard(ThumbnailCache& thumbnailCache, QWidget* parent = nullptr);
};

// The tile of the small and medium layouts: the thumbnail filling a 16:9 area over the name,
// version, a summary area of fixed height and the action and "Details" at the row's two ends.
// Its width is the grid column's.
class PackageIconCard : public PackageCard {
    Q_OBJECT

public:
    PackageIconCard(ThumbnailCache& thumbnailCache, bool compact, QWidget* parent = nullptr);

    bool isCompact() const { return m_compact; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool m_compact;
    QWidget* m_outline;
};

} // namespace marlox::ui
