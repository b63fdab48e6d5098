#pragma once

#include <QFuture>
#include <QString>

class QUrl;

namespace marlox::platform {

// The desktop's file browser and its handlers of addresses (web browser, mail application).
class Workspace {
public:
    virtual ~Workspace() = default;
    // Shows the folder to the user; whether the desktop managed to is not reported.
    virtual void openFolder(const QString& path) = 0;
    // Opens the address in the application the desktop picks for it (a web page in the browser,
    // a mailto: address in the mail application); answers, later, whether an application took it.
    virtual QFuture<bool> openURL(const QUrl& url) = 0;
    // Shows the item selected in its folder; nothing is reported either.
    virtual void revealInFileViewer(const QString& path) = 0;
};

} // namespace marlox::platform
