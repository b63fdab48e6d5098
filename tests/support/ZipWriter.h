#pragma once

#include <QByteArray>
#include <QString>

struct archive;

namespace marlox::testing {

// Writes zip archives entry by entry with any names, including ones a careful tool must refuse
// ("../evil", absolute paths, links that point out).
class ZipWriter {
public:
    enum class Compression { deflate, store };

    explicit ZipWriter(const QString& path, Compression compression = Compression::deflate);
    ~ZipWriter();

    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void addDirectory(const QString& name, int permissions = 0755);
    void addFile(const QString& name, const QByteArray& contents, int permissions = 0644);
    void addSymbolicLink(const QString& name, const QString& target);
    // A file whose contents follow in chunks through writeData(), for bodies too large to hold.
    void beginFile(const QString& name, qint64 size, int permissions = 0644);
    void writeData(const QByteArray& chunk);
    // False when anything failed along the way.
    bool close();

private:
    void writeHeader(const QString& name, int type, qint64 size, int permissions,
                     const QString& linkTarget = {});

    archive* m_archive = nullptr;
    bool m_failed = false;
};

} // namespace marlox::testing
