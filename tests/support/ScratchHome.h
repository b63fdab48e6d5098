#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace marlox::testing {

// Points HOME and every XDG_* folder at a fresh temporary folder for as long as it lives, and
// the main bundle at the bundle the build produced. Nothing a test does reaches the real home.
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

// The base of every test that touches files: a scratch home per test.
class ScratchHomeTest : public ::testing::Test {
protected:
    ScratchHome home;
};

// Writes bytes to a file, creating its folder; fails the test when it cannot.
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// The bundle the build produced (its resources, tools and Info.plist).
QString builtBundlePath();
QString sourcePath(const QString& relative);

} // namespace marlox::testing
