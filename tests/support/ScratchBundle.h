#pragma once

#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QMap>
#include <QString>
#include <QVariantMap>

namespace marlox::testing {

// A scratch bundle whose Info.plist holds `info`, with these files under its resource folder.
inline platform::Bundle scratchBundle(const ScratchHome& home, const QVariantMap& info,
                                      const QString& name = QStringLiteral("Scratch.app"),
                                      const QMap<QString, QByteArray>& resourceFiles = {}) {
    const QString path = home.filePath(name);
    writeFile(path + "/Contents/Info.plist", platform::binaryPropertyList(info));
    QDir().mkpath(path + "/Contents/Resources");
    for (auto file = resourceFiles.begin(); file != resourceFiles.end(); ++file) {
        writeFile(path + "/Contents/Resources/" + file.key(), file.value());
    }
    return *platform::Bundle::load(path);
}

} // namespace marlox::testing
