#include "SourceScan.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace marlox::structure {
namespace {

enum class TokenKind { identifier, literal, punctuation };

struct Token {
    TokenKind kind;
    std::string text;
    int line;
};

bool isIdentifierStart(char character) {
    return std::isalpha(static_cast<unsigned char>(character)) || character == '_';
}

bool isIdentifierPart(char character) {
    return std::isalnum(static_cast<unsigned char>(character)) || character == '_';
}

// Splits the text into identifiers, literals and punctuation; comments go, preprocessor lines
// go too, but their quoted includes are kept.
class Lexer {
public:
    explicit Lexer(std::string_view text) : m_text(text) {}

    std::vector<Token> tokens(std::vector<Include>& includes) {
        std::vector<Token> result;
        bool lineStart = true;
        while (m_position < m_text.size()) {
            const char character = m_text[m_position];
            if (character == '\n') {
                ++m_line;
                ++m_position;
                lineStart = true;
                continue;
            }
            if (std::isspace(static_cast<unsigned char>(character))) {
                ++m_position;
                continue;
            }
            if (startsWith("//")) {
                skipLineComment();
                continue;
            }
            if (startsWith("/*")) {
                skipBlockComment();
                continue;
            }
            if (character == '#' && lineStart) {
                directive(includes);
                continue;
            }
            lineStart = false;
            result.push_back(token());
        }
        return result;
    }

private:
    bool startsWith(std::string_view prefix) const {
        return m_text.substr(m_position, prefix.size()) == prefix;
    }

    void skipLineComment() {
        while (m_position < m_text.size() && m_text[m_position] != '\n') {
            ++m_position;
        }
    }

    void skipBlockComment() {
        m_position += 2;
        while (m_position < m_text.size() && !startsWith("*/")) {
            m_line += m_text[m_position] == '\n';
            ++m_position;
        }
        m_position = std::min(m_position + 2, m_text.size());
    }

    // One preprocessor line with its continuations.
    void directive(std::vector<Include>& includes) {
        const int line = m_line;
        std::string text;
        while (m_position < m_text.size() && m_text[m_position] != '\n') {
            if (startsWith("\\\n")) {
                m_position += 2;
                ++m_line;
                continue;
            }
            if (startsWith("/*")) {
                skipBlockComment();
                continue;
            }
            if (startsWith("//")) {
                skipLineComment();
                break;
            }
            text += m_text[m_position++];
        }
        std::string_view rest(text);
        rest.remove_prefix(1); // '#'
        const auto skipBlanks = [&rest] {
            while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front()))) {
                rest.remove_prefix(1);
            }
        };
        skipBlanks();
        if (rest.substr(0, 7) != "include") {
            return;
        }
        rest.remove_prefix(7);
        skipBlanks();
        if (rest.empty() || rest.front() != '"') {
            return;
        }
        const size_t end = rest.find('"', 1);
        if (end != std::string_view::npos) {
            includes.push_back({std::string(rest.substr(1, end - 1)), line});
        }
    }

    Token token() {
        const int line = m_line;
        const char character = m_text[m_position];
        if (isIdentifierStart(character)) {
            const size_t begin = m_position;
            while (m_position < m_text.size() && isIdentifierPart(m_text[m_position])) {
                ++m_position;
            }
            const std::string_view word = m_text.substr(begin, m_position - begin);
            if (m_position < m_text.size() &&
                (m_text[m_position] == '"' || m_text[m_position] == '\'')) {
                if (word == "R" || word == "u8R" || word == "uR" || word == "UR" || word == "LR") {
                    skipRawString();
                    return {TokenKind::literal, "\"\"", line};
                }
                if (word == "u8" || word == "u" || word == "U" || word == "L") {
                    skipQuoted(m_text[m_position]);
                    return {TokenKind::literal, "\"\"", line};
                }
            }
            return {TokenKind::identifier, std::string(word), line};
        }
        if (std::isdigit(static_cast<unsigned char>(character)) ||
            (character == '.' && m_position + 1 < m_text.size() &&
             std::isdigit(static_cast<unsigned char>(m_text[m_position + 1])))) {
            skipNumber();
            return {TokenKind::literal, "0", line};
        }
        if (character == '"' || character == '\'') {
            skipQuoted(character);
            return {TokenKind::literal, "\"\"", line};
        }
        if (startsWith("::")) {
            m_position += 2;
            return {TokenKind::punctuation, "::", line};
        }
        ++m_position;
        return {TokenKind::punctuation, std::string(1, character), line};
    }

    void skipNumber() {
        while (m_position < m_text.size()) {
            const char character = m_text[m_position];
            const char previous = m_text[m_position - 1];
            const bool exponentSign =
                (character == '+' || character == '-') &&
                (previous == 'e' || previous == 'E' || previous == 'p' || previous == 'P');
            if (!isIdentifierPart(character) && character != '.' && character != '\'' &&
                !exponentSign) {
                return;
            }
            ++m_position;
        }
    }

    void skipQuoted(char quote) {
        ++m_position;
        while (m_position < m_text.size() && m_text[m_position] != quote &&
               m_text[m_position] != '\n') {
            m_position += m_text[m_position] == '\\' ? 2 : 1;
        }
        ++m_position;
    }

    // R"delimiter( ... )delimiter"
    void skipRawString() {
        ++m_position;
        const size_t open = m_text.find('(', m_position);
        if (open == std::string_view::npos) {
            m_position = m_text.size();
            return;
        }
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about a literal
        // joined in front of a temporary string.
        std::string closing(1, ')');
        closing.append(m_text.substr(m_position, open - m_position));
        closing += '"';
        const size_t end = m_text.find(closing, open);
        const size_t stop = end == std::string_view::npos ? m_text.size() : end + closing.size();
        m_line += static_cast<int>(std::count(m_text.begin() + static_cast<long>(m_position),
                                              m_text.begin() + static_cast<long>(stop), '\n'));
        m_position = stop;
    }

    std::string_view m_text;
    size_t m_position = 0;
    int m_line = 1;
};

bool is(const Token& token, std::string_view text) {
    return token.text == text;
}

// Q_OBJECT, Q_PROPERTY(...), TEST_F(...), MARLOX_X: upper case with an underscore, or Q_ anything.
bool isMacroName(const std::string& name) {
    if (name.size() < 3 || name.find('_') == std::string::npos) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char character) {
        return std::isupper(static_cast<unsigned char>(character)) ||
               std::isdigit(static_cast<unsigned char>(character)) || character == '_';
    });
}

using Tokens = std::vector<Token>;

// The index just past the group that opens at `open` ("(" ... ")" and the like).
size_t pastGroup(const Tokens& tokens, size_t open, std::string_view opening,
                 std::string_view closing) {
    int depth = 0;
    for (size_t index = open; index < tokens.size(); ++index) {
        if (is(tokens[index], opening)) {
            ++depth;
        } else if (is(tokens[index], closing) && --depth == 0) {
            return index + 1;
        }
    }
    return tokens.size();
}

// Leading macros, attributes, template heads and specifiers that say nothing of the name.
Tokens withoutPrefixes(const Tokens& statement) {
    size_t index = 0;
    while (index < statement.size()) {
        const Token& token = statement[index];
        if (token.kind == TokenKind::identifier && isMacroName(token.text)) {
            ++index;
            if (index < statement.size() && is(statement[index], "(")) {
                index = pastGroup(statement, index, "(", ")");
            }
        } else if (is(token, "[") && index + 1 < statement.size() &&
                   is(statement[index + 1], "[")) {
            index = pastGroup(statement, index, "[", "]");
        } else if (is(token, "template") && index + 1 < statement.size() &&
                   is(statement[index + 1], "<")) {
            index = pastGroup(statement, index + 1, "<", ">");
        } else {
            break;
        }
    }
    return Tokens(statement.begin() + static_cast<long>(index), statement.end());
}

const std::vector<std::string_view> groupKeywords = {"decltype",      "alignas",  "noexcept",
                                                     "__attribute__", "requires", "sizeof"};

// The written name of what is declared before the first parenthesis that opens a parameter list,
// with the index of that parenthesis; nothing when there is none or an "=" comes first.
std::optional<std::pair<std::string, size_t>> functionName(const Tokens& head) {
    int angles = 0;
    for (size_t index = 0; index < head.size(); ++index) {
        const Token& token = head[index];
        if (is(token, "=") && angles == 0) {
            return std::nullopt;
        }
        if (is(token, "operator")) {
            // operator==, operator(), operator<: the name runs to the parameter list.
            size_t open = index + 1;
            if (open < head.size() && is(head[open], "(")) {
                ++open;
            }
            while (open < head.size() && !is(head[open], "(")) {
                ++open;
            }
            if (open == head.size()) {
                return std::nullopt;
            }
            std::string name;
            size_t begin = index;
            while (begin >= 2 && is(head[begin - 1], "::") &&
                   head[begin - 2].kind == TokenKind::identifier) {
                begin -= 2;
            }
            for (size_t part = begin; part < open; ++part) {
                name += head[part].text;
            }
            return std::pair(name, open);
        }
        if (is(token, "<") && index > 0 && head[index - 1].kind == TokenKind::identifier) {
            ++angles;
        } else if (is(token, ">") && angles > 0) {
            --angles;
        } else if (is(token, "(") && angles == 0) {
            if (index == 0 || head[index - 1].kind != TokenKind::identifier) {
                return std::nullopt;
            }
            const std::string& previous = head[index - 1].text;
            if (std::find(groupKeywords.begin(), groupKeywords.end(), previous) !=
                groupKeywords.end()) {
                index = pastGroup(head, index, "(", ")") - 1;
                continue;
            }
            // Walk back over "a::b<...>::~c".
            size_t begin = index - 1;
            while (begin >= 1) {
                if (is(head[begin - 1], "~")) {
                    --begin;
                    continue;
                }
                if (is(head[begin - 1], "::") && begin >= 2) {
                    size_t part = begin - 2;
                    if (is(head[part], ">")) {
                        int depth = 0;
                        while (part > 0) {
                            depth += is(head[part], ">") ? 1 : is(head[part], "<") ? -1 : 0;
                            if (depth == 0) {
                                break;
                            }
                            --part;
                        }
                        if (part == 0) {
                            break;
                        }
                        --part;
                    }
                    if (head[part].kind != TokenKind::identifier) {
                        break;
                    }
                    begin = part;
                    continue;
                }
                break;
            }
            std::string name;
            for (size_t part = begin; part < index; ++part) {
                name += head[part].text;
            }
            return std::pair(name, index);
        }
    }
    return std::nullopt;
}

bool containsAtTop(const Tokens& head, size_t end, std::string_view word) {
    for (size_t index = 0; index < end && index < head.size(); ++index) {
        if (is(head[index], word)) {
            return true;
        }
        if (is(head[index], "(")) {
            index = pastGroup(head, index, "(", ")") - 1;
        }
    }
    return false;
}

enum class ScopeKind { namespace_, class_, block };

struct Scope {
    ScopeKind kind;
    std::string name;
    bool anonymous = false;
};

class Parser {
public:
    explicit Parser(SourceFacts& facts) : m_facts(facts) {}

    void parse(const Tokens& tokens) {
        m_scopes.push_back({ScopeKind::namespace_, "", false});
        for (const Token& token : tokens) {
            if (m_scopes.back().kind == ScopeKind::block) {
                if (is(token, "{")) {
                    m_scopes.push_back({ScopeKind::block, "", false});
                } else if (is(token, "}") && m_scopes.size() > 1) {
                    m_scopes.pop_back();
                }
                continue;
            }
            // Braces inside parentheses (default arguments, lambdas) belong to the statement.
            if (is(token, "(")) {
                ++m_parentheses;
            } else if (is(token, ")") && m_parentheses > 0) {
                --m_parentheses;
            }
            if (m_parentheses > 0) {
                m_statement.push_back(token);
                continue;
            }
            if (is(token, ";")) {
                declaration(withoutPrefixes(m_statement));
                m_statement.clear();
            } else if (is(token, "{")) {
                open(withoutPrefixes(m_statement));
                m_statement.clear();
            } else if (is(token, "}")) {
                if (m_scopes.size() > 1) {
                    m_scopes.pop_back();
                }
                m_statement.clear();
            } else if (is(token, ":") && isAccessSpecifier()) {
                m_statement.clear();
            } else {
                m_statement.push_back(token);
            }
        }
    }

private:
    bool isAccessSpecifier() const {
        if (m_scopes.back().kind != ScopeKind::class_) {
            return false;
        }
        const Tokens statement = withoutPrefixes(m_statement);
        if (statement.empty()) {
            return false;
        }
        const std::string& first = statement.front().text;
        return first == "public" || first == "private" || first == "protected" ||
               first == "signals" || first == "slots" || first == "Q_SIGNALS" || first == "Q_SLOTS";
    }

    bool inAnonymousNamespace() const {
        return std::any_of(m_scopes.begin(), m_scopes.end(),
                           [](const Scope& scope) { return scope.anonymous; });
    }

    bool inClass() const {
        return std::any_of(m_scopes.begin(), m_scopes.end(),
                           [](const Scope& scope) { return scope.kind == ScopeKind::class_; });
    }

    // The enclosing names, classes included: "marlox::catalog::Outer".
    std::string qualifier(bool namespacesOnly) const {
        std::string result;
        for (const Scope& scope : m_scopes) {
            if (scope.name.empty() || (namespacesOnly && scope.kind != ScopeKind::namespace_)) {
                continue;
            }
            result += (result.empty() ? "" : "::") + scope.name;
        }
        return result;
    }

    std::string qualified(const std::string& name, bool namespacesOnly) const {
        const std::string outer = qualifier(namespacesOnly);
        return withoutTemplateArguments(outer.empty() ? name : outer + "::" + name);
    }

    void open(const Tokens& head) {
        if (!head.empty() && (is(head.front(), ",") || is(head.front(), ":"))) {
            // The rest of a constructor's initializer list after a braced member.
            m_scopes.push_back({ScopeKind::block, "", false});
            return;
        }
        size_t start = 0;
        if (start < head.size() && is(head[start], "inline")) {
            ++start;
        }
        if (start < head.size() && is(head[start], "namespace")) {
            std::string name;
            for (size_t index = start + 1; index < head.size(); ++index) {
                name += head[index].text;
            }
            m_scopes.push_back({ScopeKind::namespace_, name, name.empty()});
            return;
        }
        if (head.size() == 2 && is(head[0], "extern") && head[1].kind == TokenKind::literal) {
            m_scopes.push_back({ScopeKind::namespace_, "", false});
            return;
        }
        if (auto name = className(head)) {
            if (!inAnonymousNamespace()) {
                m_facts.classes.push_back({qualified(*name, false), head.front().line});
            }
            m_scopes.push_back({ScopeKind::class_, *name, false});
            return;
        }
        const bool atNamespaceScope = m_scopes.back().kind == ScopeKind::namespace_;
        if (atNamespaceScope && !inAnonymousNamespace() && !head.empty()) {
            if (auto function = functionName(head)) {
                if (!containsAtTop(head, function->second, "static")) {
                    m_facts.definitions.push_back(
                        {qualified(function->first, false), head.front().line});
                }
            } else if (auto member = qualifiedDataName(head)) {
                m_facts.definitions.push_back({qualified(*member, false), head.front().line});
            }
        }
        m_scopes.push_back({ScopeKind::block, "", false});
    }

    void declaration(const Tokens& statement) {
        if (statement.empty() || inAnonymousNamespace()) {
            return;
        }
        const bool friendDeclaration = is(statement.front(), "friend");
        const bool atNamespaceScope = m_scopes.back().kind == ScopeKind::namespace_;
        if (!atNamespaceScope && !friendDeclaration) {
            return;
        }
        static const std::vector<std::string_view> skipped = {
            "using", "typedef", "static_assert", "namespace", "class", "struct", "union", "enum"};
        if (std::find(skipped.begin(), skipped.end(), statement.front().text) != skipped.end()) {
            return;
        }
        if (auto function = functionName(statement)) {
            if (friendDeclaration) {
                m_facts.declaredFunctions.push_back(
                    {qualified(function->first, true), statement.front().line});
            } else if (function->first.find("::") == std::string::npos) {
                m_facts.declaredFunctions.push_back(
                    {qualified(function->first, false), statement.front().line});
            }
            return;
        }
        if (atNamespaceScope) {
            if (auto member = qualifiedDataName(statement)) {
                m_facts.definitions.push_back({qualified(*member, false), statement.front().line});
            }
        }
    }

    // class|struct|union [macros] Name[<...>] [final] [: bases]
    static std::optional<std::string> className(const Tokens& head) {
        if (head.empty() ||
            !(is(head[0], "class") || is(head[0], "struct") || is(head[0], "union"))) {
            return std::nullopt;
        }
        size_t index = 1;
        while (index < head.size() && head[index].kind == TokenKind::identifier &&
               isMacroName(head[index].text)) {
            ++index;
        }
        if (index == head.size()) {
            return std::string(); // an unnamed class
        }
        std::string name;
        while (index < head.size() && head[index].kind == TokenKind::identifier) {
            name += head[index++].text;
            if (index < head.size() && is(head[index], "<")) {
                index = pastGroup(head, index, "<", ">");
            }
            if (index < head.size() && is(head[index], "::")) {
                name += "::";
                ++index;
                continue;
            }
            break;
        }
        if (index < head.size() && is(head[index], "final")) {
            ++index;
        }
        if (index == head.size() || is(head[index], ":")) {
            return name;
        }
        return std::nullopt;
    }

    // "Type Class::member = ..." or "Type Class::member{...}": the qualified name, else nothing.
    static std::optional<std::string> qualifiedDataName(const Tokens& head) {
        size_t end = head.size();
        for (size_t index = 0; index < head.size(); ++index) {
            if (is(head[index], "=") || is(head[index], "[") || is(head[index], "(")) {
                end = index;
                break;
            }
        }
        if (end < 3 || head[end - 1].kind != TokenKind::identifier || !is(head[end - 2], "::") ||
            head[end - 3].kind != TokenKind::identifier) {
            return std::nullopt;
        }
        size_t begin = end - 3;
        while (begin >= 2 && is(head[begin - 1], "::") &&
               head[begin - 2].kind == TokenKind::identifier) {
            begin -= 2;
        }
        // The owner must not be the whole type ("std::string x" has no owner, only a type).
        if (begin == 0) {
            return std::nullopt;
        }
        std::string name;
        for (size_t index = begin; index < end; ++index) {
            name += head[index].text;
        }
        return name;
    }

    SourceFacts& m_facts;
    std::vector<Scope> m_scopes;
    Tokens m_statement;
    int m_parentheses = 0;
};

// `.then(this` or `->then(this`, wherever it stands.
std::vector<int> continuationsOnThis(const Tokens& tokens) {
    std::vector<int> lines;
    for (size_t index = 1; index + 2 < tokens.size(); ++index) {
        const bool member =
            is(tokens[index - 1], ".") ||
            (index >= 2 && is(tokens[index - 1], ">") && is(tokens[index - 2], "-"));
        if (member && is(tokens[index], "then") && is(tokens[index + 1], "(") &&
            is(tokens[index + 2], "this")) {
            lines.push_back(tokens[index].line);
        }
    }
    return lines;
}

} // namespace

std::string withoutTemplateArguments(std::string_view name) {
    std::string result;
    int depth = 0;
    for (size_t index = 0; index < name.size(); ++index) {
        const char character = name[index];
        // "operator<" and "operator<<" are names, not template arguments.
        const bool inOperator = index >= 8 && name.substr(0, index).ends_with("operator");
        if (character == '<' && !inOperator && (depth > 0 || name.substr(index, 2) != "<=")) {
            ++depth;
        } else if (character == '>' && depth > 0) {
            --depth;
        } else if (depth == 0) {
            result += character;
        }
    }
    return result;
}

SourceFacts scanSource(std::string_view text) {
    SourceFacts facts;
    const Tokens tokens = Lexer(text).tokens(facts.includes);
    Parser(facts).parse(tokens);
    facts.continuationsOnThis = continuationsOnThis(tokens);
    return facts;
}

} // namespace marlox::structure
