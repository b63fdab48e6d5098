#include "vector/CSSParser.h"

#include <QList>

namespace marlox::vector {

namespace {

void addMissing(SVGStyleMap& styles, const SVGStyleMap& from) {
    for (const auto& [name, value] : from) {
        if (!styles.contains(name)) {
            styles.insert(name, value);
        }
    }
}

} // namespace

void setDeclarations(SVGStyleMap& styles, QStringView declarations) {
    for (const QStringView declaration : declarations.split(u';', Qt::SkipEmptyParts)) {
        const QList<QStringView> parts = declaration.split(u':');
        if (parts.size() == 2) {
            styles.insert(parts[0].toString(), parts[1].toString());
        }
    }
}

void CSSParser::parse(QStringView content) {
    QString text;
    text.reserve(content.size());
    for (const QChar character : content) {
        if (!character.isSpace()) {
            text.append(character);
        }
    }

    QList<QStringView> tokens;
    for (const QStringView piece : QStringView(text).split(u'{', Qt::SkipEmptyParts)) {
        for (const QStringView part : piece.split(u'}', Qt::SkipEmptyParts)) {
            tokens.append(part);
        }
    }
    // An odd count means a selector without its block (an empty rule, a nested block): the
    // pairing is lost, so the whole sheet is dropped.
    if (tokens.size() % 2 != 0) {
        return;
    }
    for (qsizetype index = 0; index < tokens.size(); index += 2) {
        for (const QStringView selector : tokens[index].split(u',', Qt::SkipEmptyParts)) {
            addRule(selector, tokens[index + 1]);
        }
    }
}

void CSSParser::addRule(QStringView selector, QStringView declarations) {
    if (selector.size() < 2) {
        return;
    }
    QHash<QString, SVGStyleMap>* table = &m_stylesByTag;
    QStringView name = selector;
    if (selector.front() == u'#') {
        table = &m_stylesById;
        name = selector.sliced(1);
    } else if (selector.front() == u'.') {
        table = &m_stylesByClass;
        name = selector.sliced(1);
    }
    setDeclarations((*table)[name.toString()], declarations);
}

SVGStyleMap CSSParser::getStyles(const XMLElement& element) const {
    SVGStyleMap styles;
    if (m_stylesByTag.isEmpty() && m_stylesByClass.isEmpty() && m_stylesById.isEmpty()) {
        return styles;
    }
    if (const auto tagRule = m_stylesByTag.constFind(element.name);
        tagRule != m_stylesByTag.cend()) {
        addMissing(styles, tagRule.value());
    }
    if (const QString* classes = element.attributes.find(u"class")) {
        for (const QStringView word : QStringView(*classes).split(u' ', Qt::SkipEmptyParts)) {
            if (const auto classRule = m_stylesByClass.constFind(word.toString());
                classRule != m_stylesByClass.cend()) {
                addMissing(styles, classRule.value());
            }
        }
    }
    if (const QString* id = element.attributes.find(u"id")) {
        if (const auto idRule = m_stylesById.constFind(*id); idRule != m_stylesById.cend()) {
            addMissing(styles, idRule.value());
        }
    }
    return styles;
}

} // namespace marlox::vector
