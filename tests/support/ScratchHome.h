#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace marlox::testing {

// Points HOME and every XDG_* folder at a fresh temporary folder while it lives, and the main
// bundle at the one the build produced, so that nothing a test does reaches the real home.
class ScratchHome {
public:
    ScratchHome();
    ~ScratchHome();

    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

    QString path() const { return m_folder.path(); }
    QString filePath(const QString& relative) const { return m_folder.filePath(relative); }

private:
    QTemporaryDir m_folder;
    QList<std::pair<QByteArray, QByteArray>> m_previousEnvironment;
};

class ScratchHomeTest : public ::testing::Test {
protected:
    ScratchHome home;
};

// Creates the file's folder; fails the test when it cannot write.
void writeFile(const QString& path, const QByteArray& bytes);
// A script its owner may run, written with its folder.
void writeExecutable(const QString& path, const QByteArray& script);
QByteArray readFile(const QString& path);

QString builtBundlePath();

} // namespace marlox::testing
