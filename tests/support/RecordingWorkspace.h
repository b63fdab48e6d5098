#pragma once

#include "platform/Workspace.h"

#include <QFuture>
#include <QList>
#include <QStringList>
#include <QUrl>

namespace marlox::testing {

// Records what would have been shown on the desktop instead of showing it; addresses are taken
// unless the test says otherwise.
struct RecordingWorkspace final : platform::Workspace {
    void openFolder(const QString& path) override { openedFolders.append(path); }
    QFuture<bool> openURL(const QUrl& url) override {
        openedURLs.append(url);
        return QtFuture::makeReadyFuture(acceptsURLs);
    }
    void revealInFileViewer(const QString& path) override { revealedItems.append(path); }
    QStringList openedFolders;
    QList<QUrl> openedURLs;
    QStringList revealedItems;
    bool acceptsURLs = true;
};

} // namespace marlox::testing
