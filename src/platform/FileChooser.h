#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace marlox::platform {

enum class FileContentType { image, movie, pdf };

// What the user is asked to choose: existing files, never folders.
struct FileChoice {
    QString title;
    // Files of any of these kinds may be chosen.
    QList<FileContentType> contentTypes;
    bool allowsMultipleSelection = false;
    // The folder the chooser opens in; its own choice when empty.
    QString startFolder;
};

// The desktop's window for choosing files.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    using ChosenHandler = std::function<void(const QStringList& paths)>;
    // Shows the chooser over `parent`, which owns it, and returns at once. `onChosen` receives
    // the absolute paths in the chooser's order once the user confirms; it is not called when
    // the user cancels or the parent goes away first.
    virtual void chooseFiles(QWidget* parent, const FileChoice& choice, ChosenHandler onChosen) = 0;
};

} // namespace marlox::platform
