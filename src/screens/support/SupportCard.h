#pragma once

#include "ui/kit/ScreenParts.h"

#include <QColor>
#include <QString>

namespace marlox::screens {

// One section of the Support form: an icon tile in the accent colour and the title above the
// content, on the card surface with a hairline border.
class SupportCard : public ui::RoundedPanel {
    Q_OBJECT

public:
    // Takes ownership of the content.
    SupportCard(const QString& icon, const QString& title, const QColor& accent, QWidget* content,
                QWidget* parent = nullptr);
};

} // namespace marlox::screens
