#include "ZipWriter.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

namespace marlox::testing {

ZipWriter::ZipWriter(const QString& path, Compression compression)
    : m_archive(archive_write_new()) {
    archive_write_set_format_zip(m_archive);
    if (compression == Compression::store) {
        archive_write_set_options(m_archive, "zip:compression=store");
    }
    m_failed =
        archive_write_open_filename(m_archive, QFile::encodeName(path).constData()) != ARCHIVE_OK;
}

ZipWriter::~ZipWriter() {
    close();
}

void ZipWriter::writeHeader(const QString& name, int type, qint64 size, int permissions,
                            const QString& linkTarget) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname_utf8(entry, name.toUtf8().constData());
    archive_entry_set_filetype(entry, static_cast<unsigned int>(type));
    archive_entry_set_perm(entry, static_cast<mode_t>(permissions));
    archive_entry_set_size(entry, size);
    archive_entry_set_mtime(entry, 1767225600, 0);
    if (!linkTarget.isNull()) {
        archive_entry_set_symlink_utf8(entry, linkTarget.toUtf8().constData());
    }
    m_failed |= archive_write_header(m_archive, entry) != ARCHIVE_OK;
    archive_entry_free(entry);
}

void ZipWriter::addDirectory(const QString& name, int permissions) {
    writeHeader(name, AE_IFDIR, 0, permissions);
}

void ZipWriter::addFile(const QString& name, const QByteArray& contents, int permissions) {
    beginFile(name, contents.size(), permissions);
    writeData(contents);
}

void ZipWriter::addSymbolicLink(const QString& name, const QString& target) {
    writeHeader(name, AE_IFLNK, 0, 0755, target);
}

void ZipWriter::beginFile(const QString& name, qint64 size, int permissions) {
    writeHeader(name, AE_IFREG, size, permissions);
}

void ZipWriter::writeData(const QByteArray& chunk) {
    if (!chunk.isEmpty()) {
        m_failed |= archive_write_data(m_archive, chunk.constData(),
                                       static_cast<size_t>(chunk.size())) != chunk.size();
    }
}

bool ZipWriter::close() {
    if (m_archive != nullptr) {
        m_failed |= archive_write_close(m_archive) != ARCHIVE_OK;
        archive_write_free(m_archive);
        m_archive = nullptr;
    }
    return !m_failed;
}

} // namespace marlox::testing
