#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace marlox::structure {

// A quoted include and the line it stands on.
struct Include {
    std::string text;
    int line = 0;
};

// A name at namespace scope, qualified by the namespaces around it and by what is written:
// "marlox::catalog::CatalogService::reload".
struct ScopedName {
    std::string qualified;
    int line = 0;
};

// What the structure rules need of one C++ file, read without compiling it. The reading knows
// namespaces, classes, function heads and bodies; it skips comments, literals and everything
// inside function bodies, so a macro or an unusual declaration may be missed, never invented.
struct SourceFacts {
    std::vector<Include> includes;
    // Classes, structs and unions defined with a body, outside anonymous namespaces.
    std::vector<ScopedName> classes;
    // Free functions declared without a body at namespace scope, and friends of classes.
    std::vector<ScopedName> declaredFunctions;
    // Functions and static data members defined at namespace scope outside anonymous namespaces
    // and not static: what a header's declarations are made good by.
    std::vector<ScopedName> definitions;
    // The lines that continue a future on `this` (`.then(this, ...)`), which Qt asserts on or
    // posts to an object being destroyed when the object goes first.
    std::vector<int> continuationsOnThis;
};

SourceFacts scanSource(std::string_view text);

// "a::b<T>::c" -> "a::b::c": template arguments play no part in where a name is declared.
std::string withoutTemplateArguments(std::string_view name);

} // namespace marlox::structure
