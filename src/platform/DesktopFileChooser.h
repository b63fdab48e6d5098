#pragma once

#include "platform/FileChooser.h"

namespace marlox::platform {

// A file dialog opened window-modal over the parent.
class DesktopFileChooser final : public FileChooser {
public:
    void chooseFiles(QWidget* parent, const FileChoice& choice, ChosenHandler onChosen) override;
};

// The dialog's name filter for the kinds: "Images, Movies (*.png *.PNG ...)".
QString fileChoiceNameFilter(const QList<FileContentType>& contentTypes);

} // namespace marlox::platform
