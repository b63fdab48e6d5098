#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"
#include "support/CatalogFixtures.h"
#include "support/QtPrinters.h"
#include "ui/kit/AppPill.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>

namespace marlox::testing {

// A catalog package with the fields the Plugins screen reads.
inline catalog::PackageManifest
libraryPackage(const QString& id, const QString& name,
               catalog::PackageType type = catalog::PackageType::generator,
               const QString& category = QStringLiteral("Time & Counters"),
               const QString& version = QStringLiteral("1.0"),
               std::optional<QString> summary = std::nullopt) {
    catalog::PackageManifest package = testPackage(id, type, version);
    package.name = name;
    package.category = category;
    package.summary = std::move(summary);
    return package;
}

// The action of a card or sheet as the user sees it: "Installed pill", else the button's title
// and " (disabled)" when it cannot be pressed.
inline QString actionLook(const QWidget* holder) {
    if (!holder) {
        return QStringLiteral("not on show");
    }
    const auto* pill = holder->findChild<ui::AppPillLabel*>(QStringLiteral("installedPill"));
    const auto* button = holder->findChild<ui::AppPillButton*>(QStringLiteral("actionButton"));
    if (pill->isHidden() == button->isHidden()) {
        return QStringLiteral("both the pill and the button, or neither");
    }
    if (!pill->isHidden()) {
        return QStringLiteral("Installed pill");
    }
    return button->text() + (button->isEnabled() ? "" : " (disabled)");
}

} // namespace marlox::testing
