#include "ScratchHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace marlox::testing {

ScratchHome::ScratchHome() : m_folder(QDir::tempPath() + QLatin1String("/marlox-test-XXXXXX")) {
    const QString root = m_folder.path();
    for (const auto& [variable, folder] : {std::pair{"HOME", "/home"},
                                           {"XDG_CONFIG_HOME", "/home/.config"},
                                           {"XDG_DATA_HOME", "/home/.local/share"},
                                           {"XDG_CACHE_HOME", "/home/.cache"},
                                           {"XDG_STATE_HOME", "/home/.local/state"},
                                           {"XDG_RUNTIME_DIR", "/runtime"}}) {
        m_previousEnvironment.append({QByteArray(variable), qgetenv(variable)});
        QDir().mkpath(root + QLatin1String(folder));
        qputenv(variable, QFile::encodeName(root + QLatin1String(folder)));
    }
    QFile::setPermissions(root + QLatin1String("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

ScratchHome::~ScratchHome() {
    for (const auto& [variable, value] : m_previousEnvironment) {
        qputenv(variable.constData(), value);
    }
    m_folder.remove();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void writeExecutable(const QString& path, const QByteArray& script) {
    writeFile(path, script);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

QString builtBundlePath() {
    return QStringLiteral(MARLOX_BUNDLE_DIR);
}

} // namespace marlox::testing
