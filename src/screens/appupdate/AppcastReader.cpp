#include "AppcastReader.h"

#include "base/ShownText.h"
#include "base/XMLReadings.h"

#include <QXmlStreamReader>

namespace marlox::screens {
namespace {

const QString itemElement = QStringLiteral("item");
const QString buildElement = QStringLiteral("sparkle:version");
const QString versionElement = QStringLiteral("sparkle:shortVersionString");
const QString linkElement = QStringLiteral("link");

constexpr qsizetype shownVersionLength = 24;

AppcastFormatError formatError(qint64 line, qint64 column, const QString& reason) {
    return AppcastFormatError{
        AppcastFormatError::Kind::malformed,
        QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(reason)};
}

} // namespace

QString shownVersionText(const QString& text) {
    if (text.size() <= shownVersionLength) {
        return text;
    }
    const qsizetype head = (shownVersionLength - 1) / 2;
    qsizetype tail = shownVersionLength - 1 - head;
    // The tail, as the head, never begins with half of a character outside the basic plane.
    if (text.at(text.size() - tail).isLowSurrogate()) {
        --tail;
    }
    return base::leadingCharacters(text, head) + QChar(0x2026) + text.last(tail);
}

Result<std::optional<AppcastItem>, AppcastFormatError>
AppcastReader::read(const QByteArray& document) {
    // The stream reader expands parameter entities inside the type declaration before it
    // reports the declaration, which a few kilobytes can keep busy for minutes: the stream
    // reader never sees a feed that declares them.
    if (const auto declaration = base::XMLReadings(document).parameterEntityDeclaration()) {
        return formatError(declaration->line, declaration->column,
                           QStringLiteral("The feed declares parameter entities."));
    }
    AppcastReader appcast;
    QXmlStreamReader reader(document);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > maximumDepth) {
                reader.raiseError(
                    QStringLiteral("Elements are nested deeper than %1 levels.").arg(maximumDepth));
                break;
            }
            appcast.startElement(reader.qualifiedName());
            break;
        case QXmlStreamReader::DTD:
            // The stream reader bounds each entity's expansion but not their sum, so a few
            // kilobytes of references could expand to gigabytes; feeds never declare entities.
            if (!reader.entityDeclarations().isEmpty()) {
                reader.raiseError(QStringLiteral("The feed declares entities."));
            }
            break;
        case QXmlStreamReader::Characters:
            // Character data sections and white space are character data like any other.
            appcast.characters(reader.text());
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            appcast.endElement(reader.qualifiedName());
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        return formatError(reader.lineNumber(), reader.columnNumber(), reader.errorString());
    }
    if (appcast.m_firstBuildTooLong) {
        return AppcastFormatError{
            AppcastFormatError::Kind::versionTooLong,
            QStringLiteral("The appcast feed announces a version text longer than %1 characters.")
                .arg(maximumAppcastVersionLength)};
    }
    return std::move(appcast.m_latestItem);
}

void AppcastReader::startElement(QStringView name) {
    m_currentElementName = name.toString();
    if (name == itemElement) {
        m_insideItem = true;
        m_currentItemBuild.clear();
        m_currentItemVersion.clear();
        m_currentItemLink.clear();
    }
}

void AppcastReader::characters(QStringView text) {
    if (!m_insideItem) {
        return;
    }
    if (m_currentElementName == buildElement) {
        m_currentItemBuild += text;
    } else if (m_currentElementName == versionElement) {
        m_currentItemVersion += text;
    } else if (m_currentElementName == linkElement) {
        m_currentItemLink += text;
    }
}

void AppcastReader::endElement(QStringView name) {
    if (name != itemElement) {
        m_currentElementName.clear();
        return;
    }
    const QString build = m_currentItemBuild.trimmed();
    const QString version = m_currentItemVersion.trimmed();
    if (!m_firstBuildRead && !build.isEmpty()) {
        m_firstBuildRead = true;
        m_firstBuildTooLong = build.size() > maximumAppcastVersionLength ||
                              version.size() > maximumAppcastVersionLength;
        if (!m_firstBuildTooLong) {
            m_latestItem = AppcastItem{{build, version.isEmpty() ? build : version},
                                       m_currentItemLink.trimmed()};
        }
    }
    m_insideItem = false;
    m_currentElementName.clear();
}

} // namespace marlox::screens
