#pragma once

#include "support/QtPrinters.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace marlox::testing {

// Writes a bundle with the macOS layout: Contents/Info.plist (with the identifier when one is
// given), an executable in Contents/MacOS and a resource.
void makeBundle(const QString& path, const QString& identifier, const QString& version = "1.0");

// A shell script standing in for a system tool. It records every call's arguments and answers
// according to what the test set for the call's first argument.
class StubTool {
public:
    StubTool(const QString& folder, const QString& name);

    const QString& path() const { return m_path; }
    // Standard output for calls whose first argument is `option`.
    void reply(const QString& option, const QByteArray& output) const;
    // Exit status and standard error for calls whose first argument is `option`.
    void fail(const QString& option, int exitCode, const QByteArray& errorOutput = {}) const;
    // Every call so far, in order, as its argument list.
    QList<QStringList> calls() const;
    // The calls whose first argument is `option`.
    QList<QStringList> callsWith(const QString& option) const;

private:
    QString m_folder;
    QString m_path;
};

// A registry query line as pluginkit prints it with -v.
QByteArray registryLine(const QString& identifier, const QString& path);

// Path, kind, permissions, link target and contents of every item below the root, one line each,
// hidden items included; two trees with the same snapshot hold the same bytes.
QStringList treeSnapshot(const QString& root);

} // namespace marlox::testing
